// The main window, built from small Create steps, and the hook table through which the core
// reaches it. The window holds no game state: every change goes through the control layer,
// and what the window shows is read back from the core after each paint or hook call.
#include "shell/mainwindow.h"
#include "analysis/player.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "control/commands.h"
#include "control/create.h"
#include "control/focus.h"
#include "control/keep.h"
#include "control/pause.h"
#include "control/rate.h"
#include "control/session.h"
#include "control/statistics.h"
#include "control/stepview.h"
#include "control/title.h"
#include "dialogs/dialogs.h"
#include "display/paint.h"
#include "files/replacefile.h"
#include "model/hooks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include "shell/accessible.h"
#include "shell/boardwidget.h"
#include "shell/digitbar.h"
#include "shell/picture.h"
#include "shell/print.h"
#include "shell/scaling.h"
#include "shell/theme.h"
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdio>
#include <cstring>
#include <syslog.h>

namespace {
// Right edges of the first two status panes, in board pixels.
constexpr int PANE_EDGES[2] = {110, 180};
constexpr int BUTTON_SIZE = 16; // the command-bar images, in board pixels
constexpr int STEP_LINES = 3;   // the lines the step line shows; a longer step scrolls
constexpr int MAX_ZOOM = 16;
constexpr int TITLE_ROOM = 32;         // characters of a title always given room, whatever the zoom
constexpr int RETRY_MS = 50;           // how often waiting work looks whether the window is free
constexpr int PROGRESS_DELAY_MS = 300; // a scan shorter than this shows no progress dialog
constexpr int PROGRESS_STEPS = 1000;

// Counts one nested event loop of the window's for as long as it lives.
struct NestedLoop {
    explicit NestedLoop(int& depth) : depth(depth) { depth++; }
    ~NestedLoop() { depth--; }
    int& depth;
};

// A session that could not be written, told where someone may read it later.
void ReportUnsaved() {
    const QByteArray text = QByteArray("the session was not saved: ") + LastSaveError();
    std::fprintf(stderr, "quadrivo: %s\n", text.constData());
    openlog("quadrivo", LOG_PID, LOG_USER);
    syslog(LOG_ERR, "%s", text.constData());
}

// The hook table: each hook forwards to the window given as its context.
MainWindow* To(void* context) {
    return static_cast<MainWindow*>(context);
}
constexpr ShellHooks WINDOW_HOOKS = {
    .redraw = [](void* w) { To(w)->BoardChanged(); },
    .invalidateCell = [](void* w, int cell) { To(w)->Board()->InvalidateCell(cell); },
    .statusText = [](void* w, int pane,
                     const char* text) { To(w)->SetStatusText(pane, QString::fromUtf8(text)); },
    .enableNavButton = [](void* w, int id, bool enabled) { To(w)->EnableNavButton(id, enabled); },
    .updateToggleButtons = [](void* w) { To(w)->UpdateToggleButtons(); },
    .setTitle = [](void* w) { To(w)->UpdateTitle(); },
    .messageBox = [](void* w, const char* text) { To(w)->ShowMessage(QString::fromUtf8(text)); },
    .busyCursor =
        [](void*, bool busy) {
            if (busy)
                QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            else
                QGuiApplication::restoreOverrideCursor();
        },
    .beep = [](void*) { QApplication::beep(); },
    .clockTimer = [](void* w, bool run) { To(w)->RunClock(run); },
    .showDigitPopup = [](void* w, int cell) { To(w)->Board()->ShowDigitPopup(cell); },
    .postCommand = [](void* w, int id) { To(w)->RunWhenFree([w, id] { To(w)->Run(id); }); },
    .runDialog = [](void* w, int id) { return To(w)->RunDialog(id); },
    .chooseFile =
        [](void* w, int save, char* path, int size, bool overwritePrompt) {
            return To(w)->RunFileDialog(save, path, size, overwritePrompt);
        },
    .closeWindow = [](void* w) { To(w)->close(); },
    .copyText =
        [](void*, const char* text) {
            QGuiApplication::clipboard()->setText(QString::fromUtf8(text));
        },
    .progress = [](void* w, int64_t done,
                   int64_t total) { return To(w)->ReportProgress(done, total); },
    .startCreate = [](void* w, int level,
                      int technique) { return To(w)->StartCreate(level, technique); },
    .startRating = [](void* w) { return To(w)->StartRating(); },
    .askYesNo = [](void* w, const char* text) { return To(w)->AskYesNo(QString::fromUtf8(text)); },
};
} // namespace

MainWindow::MainWindow(Session* session) : S(session) {
    InstallBoardAccessibility(); // before the board exists, so readers get its table
    setWindowTitle(PROGRAM_NAME);
    setWindowIcon(ProgramIcon());
    LoadBoardGlyphs();
    CreateBoard();
    CreateStatusPanes();
    CreateMenus();
    CreateCommandBar();
    CreateAccelerators();
    CreatePrinting();
    CreateThemeMenu();
    CreatePausing();
    CreateDigitBar();
    CreateAccessibility();
    qApp->installEventFilter(new DialogPlacer(this));

    SetShellHooks(S, &WINDOW_HOOKS, this);

    clock.setInterval(1000);
    // The game clock counts the time spent playing: not while a box or dialog waits for an
    // answer, nor while the window is minimised.
    connect(&clock, &QTimer::timeout, this, [this] {
        if (!QApplication::activeModalWidget() && !isMinimized()) ClockTick(S);
    });
    stepLineTimer.setSingleShot(true);
    stepLineTimer.setInterval(0);
    connect(&stepLineTimer, &QTimer::timeout, this, &MainWindow::UpdateStepLine);
    deferredTimer.setSingleShot(true);
    connect(&deferredTimer, &QTimer::timeout, this, &MainWindow::RunDeferred);
    scanEnd.setSingleShot(true);
    scanEnd.setInterval(0);
    connect(&scanEnd, &QTimer::timeout, this, &MainWindow::EndScan);
    searchPoll.setInterval(100);
    connect(&searchPoll, &QTimer::timeout, this, &MainWindow::PollCreate);
    createShow.setSingleShot(true);
    createShow.setInterval(PROGRESS_DELAY_MS);
    connect(&createShow, &QTimer::timeout, this, [this] {
        if (createDialog) createDialog->show();
    });
    // Logout: the session as it stands, written without a box; play may go on afterwards (the
    // logout can be cancelled), so the final save still comes.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] {
        if (ShutDown(S, board->PreferredFactor()) != 1) ReportUnsaved();
    });
}

MainWindow::~MainWindow() {
    EndCreate();
    DropRatingJob(ratingJob);
    if (S->HookContext == this) SetShellHooks(S, nullptr, nullptr); // another may have it now
}

void MainWindow::CreateBoard() {
    auto* central = new QWidget(this);
    central->setAutoFillBackground(true);
    QPalette palette = central->palette();
    palette.setColor(QPalette::Window, Qt::white);
    central->setPalette(palette);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    board = new BoardWidget(S, central);
    layout->addWidget(board, 1);
    // The step line holds the whole step: a long chain wraps (inside a word when it must) and
    // scrolls, so nothing is cut; it never takes the keyboard from the board.
    stepLine = new QPlainTextEdit(central);
    stepLine->setObjectName("step");
    stepLine->setReadOnly(true);
    stepLine->setFocusPolicy(Qt::NoFocus);
    stepLine->setFrameShape(QFrame::NoFrame);
    stepLine->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    stepLine->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    stepLine->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    stepLine->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    stepLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    layout->addWidget(stepLine);
    setCentralWidget(central);
    // A move to a screen of another pixel ratio shows first in a paint.
    connect(board, &BoardWidget::Painted, this, &MainWindow::UpdateScale);
}

void MainWindow::Run(int id) {
    RunCommand(S, id);
    UpdateStepLine();
}

void MainWindow::BoardChanged() {
    board->update();
    if (!stepLineTimer.isActive()) stepLineTimer.start();
}

void MainWindow::CreateStatusPanes() {
    statusBar = new QWidget(this);
    auto* layout = new QHBoxLayout(statusBar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QLabel*& pane : panes) {
        pane = new QLabel(" ", statusBar);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setContentsMargins(4, 1, 4, 1);
        layout->addWidget(pane);
    }
    layout->setStretch(2, 1);
    centralWidget()->layout()->addWidget(statusBar);
}

QAction* MainWindow::AddCommand(QMenu* menu, const QString& text, int id, const QString& key) {
    // The key is shown beside the item; the accelerators themselves are the window's own, so
    // that each key sends exactly its command.
    QAction* action = menu->addAction(key.isEmpty() ? text : text + "\t" + key);
    action->setData(id);
    if (MenuCheck(S, id) >= 0) action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, id] { Run(id); });
    return action;
}

QAction* MainWindow::CommandAction(int id) const {
    for (QMenu* menu : {mainMenu, marksMenu, analysisMenu})
        for (QAction* a : menu->findChildren<QAction*>())
            if (a->data().toInt() == id && !a->menu()) return a;
    for (QAction* a : navActions)
        if (a->data().toInt() == id) return a;
    return nullptr;
}

QToolButton* MainWindow::ToggleButton(int id) const {
    return id == CMD_PENCIL_MARKS        ? pencilButton
           : id == CMD_CANDIDATES_BUTTON ? candidatesButton
                                         : nullptr;
}

void MainWindow::CreateMenus() {
    mainMenu = new QMenu("Menu", this);
    AddCommand(mainMenu, "New", CMD_NEW, "Ctrl+N");
    AddCommand(mainMenu, "Setup", CMD_SETUP);
    AddCommand(mainMenu, "Create", CMD_CREATE, "Ctrl+G");
    // The key of the list goes in a tooltip: beside a submenu's arrow it would run into it.
    levelsMenu = mainMenu->addMenu("Create Level");
    levelsMenu->menuAction()->setToolTip("Create Level (Ctrl+Shift+G)");
    mainMenu->setToolTipsVisible(true);
    QMenu* levels = levelsMenu;
    auto* levelGroup = new QActionGroup(levels);
    for (int id = CMD_LEVEL_ANY; id <= CMD_LEVEL_FIENDISH; id++)
        levelGroup->addAction(AddCommand(levels, CreateLevelText(id - CMD_LEVEL_ANY), id));
    AddCommand(mainMenu, "Practice", CMD_PRACTICE);
    AddCommand(mainMenu, "Rate Puzzle", CMD_RATE, "Ctrl+R");
    AddCommand(mainMenu, "Restart Puzzle", CMD_RESTART);
    AddCommand(mainMenu, "Pause", CMD_PAUSE, "Ctrl+Space");
    AddCommand(mainMenu, "Pause When Away", CMD_PAUSE_AWAY);
    AddCommand(mainMenu, "Statistics...", CMD_STATISTICS);
    mainMenu->addSeparator();
    AddCommand(mainMenu, "Open Puzzle(s)...", CMD_OPEN, "Ctrl+O");
    AddCommand(mainMenu, "Reopen", CMD_REOPEN);
    // The games kept as they were played, newest first, listed afresh each time it opens.
    QMenu* recent = mainMenu->addMenu("Recent Games");
    recent->setObjectName("recent");
    connect(recent, &QMenu::aboutToShow, this, [this, recent] {
        recent->clear();
        char text[PATH_MAX + 128];
        for (int k = 0; RecentGameText(S, k, text, sizeof text); k++) {
            QAction* a = recent->addAction(QString::fromUtf8(text));
            a->setData(CMD_RECENT_FIRST + k);
            connect(a, &QAction::triggered, this, [this, k] { Run(CMD_RECENT_FIRST + k); });
        }
        if (recent->isEmpty()) recent->addAction("No games yet")->setEnabled(false);
    });
    AddCommand(mainMenu, "Save Puzzle...", CMD_SAVE, "Ctrl+S");
    QAction* picture = mainMenu->addAction("Save Picture...");
    connect(picture, &QAction::triggered, this, &MainWindow::SavePicture);
    mainMenu->addSeparator();
    AddCommand(mainMenu, "Quit", CMD_QUIT, "Ctrl+Q");
    mainMenu->addSeparator();
    AddCommand(mainMenu, "About...", CMD_ABOUT, "Ctrl+A");

    marksMenu = new QMenu(this);
    AddCommand(marksMenu, "Pencil Marks", CMD_PENCIL_MARKS, "Ctrl+P");
    marksMenu->addSeparator();
    QMenu* marks = marksMenu->addMenu("Marks");
    AddCommand(marks, "Store Candidates", CMD_STORE_CANDIDATES);
    AddCommand(marks, "Undo Last Mark", CMD_UNDO_MARK);
    AddCommand(marks, "Clear All", CMD_CLEAR_MARKS);
    QMenu* numbers = marksMenu->addMenu("Numbers");
    auto* colours = new QActionGroup(numbers);
    const char* names[] = {"Blue", "Red", "Green", "Purple"};
    for (int i = 0; i < 4; i++) colours->addAction(AddCommand(numbers, names[i], CMD_BLUE + i));
    marksMenu->addSeparator();
    AddCommand(marksMenu, "Block Entry...", CMD_BLOCK_ENTRY);

    analysisMenu = new QMenu(this);
    AddCommand(analysisMenu, "Candidates", CMD_CANDIDATES, "Ctrl+K");
    AddCommand(analysisMenu, "Highlight Digit", CMD_HIGHLIGHT, "Ctrl+H");
    analysisMenu->addSeparator();
    AddCommand(analysisMenu, "Analysis", CMD_ANALYSIS, "Ctrl+L");
    AddCommand(analysisMenu, "Analysis Options...", CMD_ANALYSIS_OPTIONS);
    analysisMenu->setToolTipsVisible(true);
    AddCommand(analysisMenu, "Hint", CMD_HINT, "?")
        ->setToolTip("Each press tells more: the technique and where, then its pattern, then "
                     "the step in full (?)");
    analysisMenu->addSeparator();
    AddCommand(analysisMenu, "Solution", CMD_SOLUTION);
    AddCommand(analysisMenu, "Wrong Values", CMD_WRONG_VALUES);
    AddCommand(analysisMenu, "Wrong Pencil Marks", CMD_WRONG_MARKS);
    AddCommand(analysisMenu, "Back to First Mistake", CMD_FIRST_MISTAKE);

    // Once a menu closes, keys go to the board again, whatever opened the menu.
    for (QMenu* menu : {mainMenu, levels, recent, marksMenu, analysisMenu})
        connect(menu, &QMenu::aboutToHide, this, [this] {
            QTimer::singleShot(0, board, [this] { board->setFocus(Qt::PopupFocusReason); });
        });
    // Each menu shows the check marks of the moment it opens.
    for (QMenu* menu : {mainMenu, levels, marksMenu, analysisMenu, marks, numbers})
        connect(menu, &QMenu::aboutToShow, this, [this, menu] {
            for (QAction* a : menu->actions()) {
                const int check = a->menu() ? -1 : MenuCheck(S, a->data().toInt());
                if (check >= 0) a->setChecked(check == 1);
            }
        });
}

void MainWindow::CreateThemeMenu() {
    QMenu* themes = new QMenu("Theme", mainMenu);
    mainMenu->insertMenu(SeparatorBeforeQuit(), themes);
    FillThemeMenu(
        S, themes, [](void* window) { static_cast<MainWindow*>(window)->ApplyTheme(); }, this);
    connect(board, &BoardWidget::ThemeChanged, this, &MainWindow::ApplyTheme);
    ApplyTheme();
}

QAction* MainWindow::SeparatorBeforeQuit() const {
    const QList<QAction*> actions = mainMenu->actions();
    const qsizetype quit = actions.indexOf(CommandAction(CMD_QUIT));
    return quit > 0 ? actions[quit - 1] : CommandAction(CMD_QUIT);
}

void MainWindow::CreatePrinting() {
    QAction* print = new QAction("Print...\tCtrl+Shift+P", mainMenu);
    mainMenu->insertAction(SeparatorBeforeQuit(), print);
    auto run = [this] {
        if (nested > 0) return; // a box or dialog of the core's is open
        NestedLoop loop(nested);
        RunPrintDialog(S, this);
    };
    connect(print, &QAction::triggered, this, run);
    connect(new QShortcut(QKeySequence("Ctrl+Shift+P"), this), &QShortcut::activated, this, run);
}

void MainWindow::CreatePausing() {
    // Away: the window minimised or another program's window active, with the option on.
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (S->PauseAway && state != Qt::ApplicationActive) PauseGame(S);
            });
}

void MainWindow::CreateDigitBar() {
    digitBar = new DigitBar(S, centralWidget());
    static_cast<QVBoxLayout*>(centralWidget()->layout())->insertWidget(1, digitBar);
    connect(board, &BoardWidget::Painted, digitBar, &DigitBar::Refresh);
}

void MainWindow::CreateAccessibility() {
    connect(board, &BoardWidget::Painted, this, [this] { AnnounceBoardChanges(S, board); });
}

void MainWindow::ApplyTheme() {
    ApplyProgramTheme(S);
    ApplyBoardTheme(ShownPalette(S), centralWidget());
    board->update();
}

QIcon MainWindow::ButtonIcon(int index) const {
    static const QImage strip(":/buttons/buttons.xpm");
    const int f = board->PreferredFactor(); // as everything under the board (UpdateScale)
    QImage image = ScaleCrisp(strip.copy(BUTTON_SIZE * index, 0, BUTTON_SIZE, BUTTON_SIZE), f);
    image.setDevicePixelRatio(devicePixelRatioF());
    QIcon icon(QPixmap::fromImage(image));
    return icon;
}

void MainWindow::CreateCommandBar() {
    commandBar = new QToolBar("Command bar", this);
    commandBar->setMovable(false);
    commandBar->setFloatable(false);
    commandBar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::BottomToolBarArea, commandBar);

    menuButton = new QToolButton(commandBar);
    menuButton->setText("Menu");
    menuButton->setMenu(mainMenu);
    menuButton->setPopupMode(QToolButton::InstantPopup);
    menuButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    commandBar->addWidget(menuButton);
    commandBar->addSeparator();

    const struct {
        int id;
        const char* tip;
    } NAV[] = {{CMD_BEGIN, "Go to Beginning"},
               {CMD_UNDO, "Undo previous digit"},
               {CMD_REDO, "Redo next digit"},
               {CMD_END, "Go to End"}};
    for (int i = 0; i < 4; i++) {
        const int id = NAV[i].id;
        QAction* a = commandBar->addAction(ButtonIcon(i), NAV[i].tip);
        a->setData(id);
        a->setToolTip(NAV[i].tip);
        a->setEnabled(false); // the start-up command brings them in line with the history
        connect(a, &QAction::triggered, this, [this, id] { Run(id); });
        navActions[i] = a;
    }
    commandBar->addSeparator();

    auto toggle = [this](int id, int image, QMenu* menu) {
        auto* button = new QToolButton(commandBar);
        button->setIcon(ButtonIcon(image));
        button->setCheckable(true);
        button->setMenu(menu);
        button->setPopupMode(QToolButton::MenuButtonPopup);
        const bool pencil = id == CMD_PENCIL_MARKS;
        button->setAccessibleName(pencil ? "Pencil Marks" : "Candidates");
        button->setToolTip(pencil ? "Pencil Marks (Ctrl+P)" : "Candidates (Ctrl+K)");
        // The core decides the state; the button only shows it.
        connect(button, &QToolButton::clicked, this, [this, id] {
            Run(id);
            UpdateToggleButtons();
        });
        commandBar->addWidget(button);
        return button;
    };
    pencilButton = toggle(CMD_PENCIL_MARKS, 4, marksMenu);
    candidatesButton = toggle(CMD_CANDIDATES_BUTTON, 5, analysisMenu);
    commandBar->addSeparator();

    stepButton = new QToolButton(commandBar);
    stepButton->setIcon(ButtonIcon(6));
    stepButton->setAccessibleName("Step");
    connect(stepButton, &QToolButton::clicked, this, [this] { Run(CMD_STEP); });
    commandBar->addWidget(stepButton);
}

void MainWindow::CreateAccelerators() {
    const struct {
        QKeySequence key;
        int id;
    } KEYS[] = {
        {QKeySequence("Ctrl+A"), CMD_ABOUT},
        {QKeySequence("Ctrl+Q"), CMD_CLOSE},
        {QKeySequence("Ctrl+R"), CMD_RATE},
        {QKeySequence("F5"), CMD_F5},
        {QKeySequence("Ctrl+N"), CMD_NEW},
        {QKeySequence("Ctrl+G"), CMD_CREATE},
        {QKeySequence("Ctrl+O"), CMD_OPEN},
        {QKeySequence("Ctrl+S"), CMD_SAVE},
        {QKeySequence("Ctrl+Z"), CMD_UNDO},
        {QKeySequence("Ctrl+Y"), CMD_REDO},
        {QKeySequence("Ctrl+Shift+Z"), CMD_REDO},
        {QKeySequence("Home"), CMD_BEGIN},
        {QKeySequence("End"), CMD_END},
        {QKeySequence("Ctrl+P"), CMD_PENCIL_MARKS},
        {QKeySequence("Ctrl+K"), CMD_CANDIDATES},
        {QKeySequence("Ctrl+L"), CMD_ANALYSIS},
        {QKeySequence("Ctrl+H"), CMD_HIGHLIGHT},
        {QKeySequence("?"), CMD_HINT},
        {QKeySequence("Ctrl+Space"), CMD_PAUSE},
        // Enter presses the step button (a dialog, being a window of its own, keeps its Enter).
        {QKeySequence(Qt::Key_Return), CMD_STEP},
        {QKeySequence(Qt::Key_Enter), CMD_STEP},
    };
    for (const auto& k : KEYS) {
        const int id = k.id;
        auto* shortcut = new QShortcut(k.key, this);
        connect(shortcut, &QShortcut::activated, this, [this, id] {
            Run(id);
            UpdateToggleButtons();
        });
    }
    // F10 and Alt+M open the Menu; Ctrl+Shift+G its "Create Level" list, over the board.
    for (const char* key : {"F10", "Alt+M"})
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, menuButton,
                &QToolButton::showMenu);
    connect(new QShortcut(QKeySequence("Ctrl+Shift+G"), this), &QShortcut::activated, this,
            [this] { levelsMenu->popup(board->mapToGlobal(board->rect().center())); });
    auto zoom = [this](QKeySequence key, int delta) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this, [this, delta] {
            SetZoom(delta == 0 ? DefaultZoom() : board->PreferredFactor() + delta);
        });
    };
    zoom(QKeySequence::ZoomIn, 1);
    zoom(QKeySequence("Ctrl+="), 1);
    zoom(QKeySequence::ZoomOut, -1);
    zoom(QKeySequence("Ctrl+0"), 0);
}

QSize MainWindow::WindowSizeFor(int factor) {
    ScaleTextForZoom(factor);
    board->SetPreferredFactor(factor);
    UpdateScale();
    centralWidget()->layout()->activate();
    layout()->activate();
    // The frame the window manager adds, as far as it is known yet.
    const QSize frame = frameGeometry().size() - geometry().size();
    return sizeHint().expandedTo(minimumSizeHint()) + frame;
}

int MainWindow::LargestZoom(double share) {
    const QScreen* screen = this->screen();
    const QSize available = screen ? screen->availableGeometry().size() : QSize(1024, 768);
    const int asked = board->PreferredFactor();
    int factor = 1;
    while (factor < MAX_ZOOM) {
        const QSize size = WindowSizeFor(factor + 1);
        if (size.width() > available.width() || size.height() > available.height() * share) break;
        factor++;
    }
    WindowSizeFor(asked); // back to the zoom shown
    return factor;
}

int MainWindow::DefaultZoom() {
    // The largest factor whose window takes at most 85% of the screen's height.
    return LargestZoom(0.85);
}

void MainWindow::SetZoom(int factor) {
    // Zooming in stops at the largest window that fits the screen.
    factor = std::clamp(factor, 1, LargestZoom(1.0));
    WindowSizeFor(factor);
    UpdateTitle();
    const QSize size = sizeHint().expandedTo(minimumSizeHint());
    resize(size);
    // Grown past the screen's edge, the window manager would cut it: move it in instead. A
    // window not shown yet is centred, so that it and its dialogs open where we know.
    if (const QScreen* screen = this->screen()) {
        const QRect available = screen->availableGeometry();
        QRect frame(frameGeometry().topLeft(), size + (frameGeometry().size() - geometry().size()));
        if (!isVisible()) frame.moveCenter(available.center());
        frame.moveRight(std::min(frame.right(), available.right()));
        frame.moveBottom(std::min(frame.bottom(), available.bottom()));
        frame.moveLeft(std::max(frame.left(), available.left()));
        frame.moveTop(std::max(frame.top(), available.top()));
        if (frame.topLeft() != frameGeometry().topLeft() || !isVisible()) move(frame.topLeft());
    }
}

void MainWindow::UpdateScale() {
    // Everything under the board follows the zoom asked for, not the one that happens to fit
    // the window: its height must not depend on the board's, or resizing the window could flip
    // between two zooms.
    const qreal dpr = devicePixelRatioF();
    const int asked = board->PreferredFactor();
    if (asked == shownFactor && dpr == shownRatio) return; // it fits already
    shownFactor = asked;
    shownRatio = dpr;
    panes[0]->setFixedWidth(int(PANE_EDGES[0] * asked / dpr));
    panes[1]->setFixedWidth(int((PANE_EDGES[1] - PANE_EDGES[0]) * asked / dpr));
    // Margins and the step line's lines follow the text, which follows the asked zoom.
    const int margin = std::max(2, TextPixels(asked) / 4);
    // The document's margin is the line's: its text lines up with the panes' below.
    stepLine->document()->setDocumentMargin(margin);
    stepLine->setFixedHeight(STEP_LINES * stepLine->fontMetrics().lineSpacing() + 2 * margin + 2);
    // The panes line up with the step line's text; their frames keep clear of the window's edge.
    statusBar->layout()->setContentsMargins(margin, 0, margin, 0);
    const int inside = std::max(1, margin / 4);
    for (QLabel* pane : panes) pane->setContentsMargins(margin, inside, margin, inside);
    const int side = int(BUTTON_SIZE * asked / dpr);
    commandBar->setIconSize(QSize(side, side));
    for (int i = 0; i < 4; i++) navActions[i]->setIcon(ButtonIcon(i));
    pencilButton->setIcon(ButtonIcon(4));
    candidatesButton->setIcon(ButtonIcon(5));
    stepButton->setIcon(ButtonIcon(6));
    UpdateStepLine();
}

void MainWindow::UpdateStepLine() {
    if (!stepButton) return; // still being built
    const QString text = QString::fromUtf8(StepLineText(S));
    if (text == stepLine->toolTip()) return; // a new text only: the player may have scrolled
    stepLine->setToolTip(text);
    stepButton->setToolTip(text.isEmpty() ? QString("Apply the step shown (Enter)")
                                          : "Apply the step shown (Enter): " + text);
    stepLine->setPlainText(text);
}

void MainWindow::StartUp() {
    Run(CMD_STARTUP);
    StartStatistics(S);             // the games from now on are recorded
    ApplyTheme();                   // the theme the view settings restored
    ShellPostCommand(S, CMD_ABOUT); // the about box is the first thing shown once the loop runs
}

void MainWindow::OpenNamedFile(const QByteArray& path) {
    // The core holds the path whole or not at all: a path cut short names another file.
    if (path.size() >= qsizetype(sizeof S->CurrentFile)) {
        ShowMessage(QString("The path of %1 is too long to open: %2 bytes, at most %3.")
                        .arg(QFileInfo(QFile::decodeName(path)).fileName())
                        .arg(path.size())
                        .arg(sizeof S->CurrentFile - 1));
        return;
    }
    OpenFileByName(S, path.constData());
}

void MainWindow::BringToFront() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
    if (QWidget* dialog = QApplication::activeModalWidget()) {
        dialog->raise();
        dialog->activateWindow();
    }
}

bool MainWindow::SaveSession() {
    if (!sessionSaved) sessionSaved = ShutDown(S, board->PreferredFactor()) == 1;
    return sessionSaved;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Someone closed the window and is there to read a failure.
    if (!SaveSession())
        ShowMessage("The session was not saved: " + QString::fromUtf8(LastSaveError()));
    ending = true; // the program ends with its only window
    EndCreate();
    DropRatingJob(ratingJob);
    ratingJob = nullptr;
    event->accept();
}

void MainWindow::SetStatusText(int pane, const QString& text) {
    if (pane >= 0 && pane < 3) panes[pane]->setText(text);
}

void MainWindow::EnableNavButton(int id, bool enabled) {
    if (id >= CMD_UNDO && id <= CMD_END)
        for (QAction* a : navActions)
            if (a->data().toInt() == id) a->setEnabled(enabled);
}

void MainWindow::UpdateToggleButtons() {
    candidatesButton->setChecked(S->AnalysisOptions.showCandidates != 0);
    pencilButton->setChecked(S->AnalysisOptions.pencilMarks != 0);
}

void MainWindow::UpdateTitle() {
    char title[sizeof S->CurrentFile + 16];
    TitleText(S, title, sizeof title);
    // The title bar shows the whole title when it fits the board's width, or a short name's
    // room at the smallest zoom; a longer name is cut in its middle, never widening the window.
    const int room = std::max(board->sizeHint().width(), TitleWidth(QString(TITLE_ROOM, 'x')));
    setWindowTitle(ElideTitle(QString::fromUtf8(title), room));
    setMinimumWidth(TitleWidth(windowTitle()));
}

void MainWindow::ShowMessage(const QString& text) {
    if (ending) return; // nobody is there to answer it
    // The board and the line under it show the position the box speaks of ("Puzzle Solved"
    // comes in the middle of the entry, before its command has brought the step up to date);
    // not while a file is read, when the position may be half there.
    if (!scanClock.isValid()) {
        RefreshStep(S);
        UpdateStepLine();
        board->update();
    }
    NestedLoop loop(nested);
    RunMessageDialog(this, text);
}

int MainWindow::AskYesNo(const QString& text) {
    if (ending) return 0;
    NestedLoop loop(nested);
    return RunQuestionDialog(this, text);
}

void MainWindow::RunClock(bool run) {
    if (run)
        clock.start();
    else
        clock.stop();
}

int MainWindow::RunDialog(int id) {
    if (ending) return DIALOG_CANCEL;
    NestedLoop loop(nested);
    switch (id) {
    case DIALOG_ABOUT:
        return RunAboutDialog(this);
    case DIALOG_GOTO:
        return RunGotoDialog(S, this);
    case DIALOG_BLOCK_ENTRY:
        return RunBlockEntryDialog(S, this);
    case DIALOG_ANALYSIS_OPTIONS:
        return RunAnalysisOptionsDialog(S, this);
    case DIALOG_STATISTICS:
        return RunStatisticsDialog(S, this);
    case DIALOG_PRACTICE:
        return RunPracticeDialog(S, this);
    default:
        return DIALOG_CANCEL;
    }
}

int MainWindow::RunFileDialog(int save, char* path, int size, bool overwritePrompt) {
    if (ending) return 0;
    NestedLoop loop(nested);
    const QString name = ChooseTextFile(this, save != 0, QString::fromUtf8(path), overwritePrompt);
    const QByteArray bytes = name.toUtf8();
    if (name.isEmpty() || ending) return 0;
    if (bytes.size() >= size) { // a path cut short would name another file
        ShowMessage(QString("The path of %1 is too long: %2 bytes, at most %3.")
                        .arg(QFileInfo(name).fileName())
                        .arg(bytes.size())
                        .arg(size - 1));
        return 0;
    }
    std::memcpy(path, bytes.constData(), size_t(bytes.size()) + 1);
    return 1;
}

void MainWindow::SavePicture() {
    NestedLoop loop(nested); // the picture is of the board the dialog was opened over
    const QString proposed = S->CurrentFile[0]
                                 ? QFileInfo(QString::fromUtf8(S->CurrentFile)).completeBaseName()
                                 : QString("Quadrivo");
    const QString name = QFileDialog::getSaveFileName(
        this, "Save Picture", QDir(DocumentsFolder()).filePath(proposed + ".png"),
        "PNG image (*.png)");
    if (name.isEmpty() || ending) return;
    const QImage picture = ScaleCrisp(RenderBoard(S), board->Factor());
    if (!WritePicture(picture, QFile::encodeName(name).constData()))
        ShowMessage("The picture was not saved: " + QString::fromUtf8(LastSaveError()));
}

void MainWindow::HandOver(const QByteArray& file) {
    if (ending) return;
    BringToFront();
    if (!file.isEmpty()) RunWhenFree([this, file] { OpenNamedFile(file); });
}

bool MainWindow::Busy() const {
    return nested > 0 || QApplication::activeModalWidget() || QApplication::activePopupWidget();
}

void MainWindow::RunWhenFree(std::function<void()> work) {
    if (ending) return;
    deferred.push_back(std::move(work));
    if (!deferredTimer.isActive()) deferredTimer.start(0);
}

void MainWindow::RunDeferred() {
    if (ending) deferred.clear();
    if (deferred.empty()) return;
    if (Busy()) { // a command of the core's is still under way: look again shortly
        deferredTimer.start(RETRY_MS);
        return;
    }
    const std::function<void()> work = std::move(deferred.front());
    deferred.pop_front();
    work();
    if (!deferred.empty() && !deferredTimer.isActive()) deferredTimer.start(0);
}

bool MainWindow::SaveSessionQuietly() {
    if (SaveSession()) return true;
    ReportUnsaved();
    return false;
}

void MainWindow::EndNow() {
    ending = true;
    deferred.clear();
    // Ending the loops is enough for the program's own dialogs; a platform's native dialog
    // runs a loop of its own and ends when it is closed.
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialog->reject();
    for (int i = 0; i < 8 && QApplication::activePopupWidget(); i++)
        QApplication::activePopupWidget()->close();
    QCoreApplication::exit(0); // ends nested loops too; later ones return at once
}

bool MainWindow::ReportProgress(int64_t done, int64_t total) {
    if (ending || (progressDialog && progressDialog->wasCanceled())) return false;
    NestedLoop loop(nested);
    reporting = true;
    if (!scanClock.isValid()) {
        scanClock.start();
        board->setUpdatesEnabled(false); // the position may be half read: no paint until the end
    }
    if (!progressDialog && scanClock.elapsed() >= PROGRESS_DELAY_MS) {
        // The file's name, cut in its middle rather than widening the dialog past the board.
        const QString name =
            fontMetrics().elidedText(QFileInfo(QString::fromUtf8(S->CurrentFile)).fileName(),
                                     Qt::ElideMiddle, board->width());
        progressDialog = new QProgressDialog(QString::fromUtf8("Reading %1\u2026").arg(name),
                                             "Cancel", 0, PROGRESS_STEPS, this);
        progressDialog->setWindowTitle(PROGRAM_NAME);
        progressDialog->setWindowModality(Qt::ApplicationModal);
        progressDialog->setAutoClose(false);
        progressDialog->setAutoReset(false);
        progressDialog->setMinimumDuration(0);
        progressDialog->show();
    }
    const bool shown = progressDialog && progressDialog->isVisible();
    if (shown && total > 0)
        progressDialog->setValue(int(PROGRESS_STEPS * std::min(done, total) / total));
    // Other copies and signals are answered; what they ask waits (RunWhenFree). Input reaches
    // only the modal dialog, and none is taken before it shows.
    QCoreApplication::processEvents(shown ? QEventLoop::AllEvents
                                          : QEventLoop::ExcludeUserInputEvents);
    reporting = false;
    scanEnd.start();
    return !ending && !(progressDialog && progressDialog->wasCanceled());
}

void MainWindow::EndScan() {
    if (reporting || !scanClock.isValid()) return; // still inside the scan
    scanClock.invalidate();
    if (progressDialog) {
        progressDialog->hide();
        progressDialog->deleteLater();
        progressDialog = nullptr;
    }
    board->setUpdatesEnabled(true);
}

int MainWindow::StartCreate(int level, int technique) {
    if (ending) return 1; // nothing new starts while the program ends
    EndCreate();
    search = technique ? StartPracticeSearch(technique) : StartCreateSearch(level);
    if (!search) return 0;
    searchTechnique = technique;
    searchPoll.start();
    if (technique) {
        createLabel = QString::fromUtf8("Creating a puzzle to practise %1\u2026")
                          .arg(QString::fromUtf8(TECHNIQUE_TABLE[technique].name));
    } else {
        const QString name = QString::fromUtf8(CreateLevelText(level));
        createLabel = QString::fromUtf8("Creating %1 %2 puzzle\u2026")
                          .arg(name.startsWith('E') ? "an" : "a", name);
    }
    // Not modal: the board stays in play while the search runs.
    createDialog = new QProgressDialog(createLabel, "Cancel", 0, 0, this);
    createDialog->setWindowTitle(PROGRAM_NAME);
    createDialog->setWindowModality(Qt::NonModal);
    createDialog->setAutoClose(false);
    createDialog->setAutoReset(false);
    createDialog->setMinimumDuration(24 * 3600 * 1000); // shown by createShow, not by itself
    connect(createDialog, &QProgressDialog::canceled, this, &MainWindow::EndCreate);
    createShow.start();
    return 1;
}

void MainWindow::PollCreate() {
    int64_t tried = 0;
    char puzzle[82];
    if (CreateSearchState(search, &tried, puzzle) == 0) {
        if (createDialog)
            createDialog->setLabelText(
                QString("%1\n%2 puzzles drawn and rated").arg(createLabel).arg(tried));
        return;
    }
    EndCreate();
    const QByteArray text(puzzle);
    RunWhenFree([this, text, technique = searchTechnique] {
        AcceptCreatedPuzzle(S, text.constData(), technique);
    });
}

void MainWindow::EndCreate() {
    createShow.stop();
    if (createDialog) {
        createDialog->disconnect(this); // its Cancel no longer reaches here
        createDialog->hide();
        createDialog->deleteLater();
        createDialog = nullptr;
    }
    searchPoll.stop();
    EndCreateSearch(search);
    search = nullptr;
}

int MainWindow::StartRating() {
    if (ending || ratingJob) return 1; // nothing new while the program ends; one at a time
    // Called on the job's thread: the result is taken on the window's, once it is free.
    const auto done = [](void* context) {
        auto* window = static_cast<MainWindow*>(context);
        QMetaObject::invokeMethod(
            window,
            [window] {
                window->RunWhenFree([window] {
                    RatingJob* job = window->ratingJob;
                    window->ratingJob = nullptr;
                    FinishRating(window->GameSession(), job);
                });
            },
            Qt::QueuedConnection);
    };
    ratingJob = StartRatingJob(S, done, this);
    return 1;
}
