// The real main window, headless: clicks on the board, the command bar and its menus, the
// dialogs answering through their widgets, closing, work from outside while the core waits in
// a dialog or a file scan, and paths too long to hold.
#include "analysis/rating.h"
#include "analysis/state.h"
#include "control/commands.h"
#include "control/session.h"
#include "control/stepview.h"
#include "control/taps.h"
#include "display/geometry.h"
#include "files/puzzlefile.h"
#include "files/settings.h"
#include "model/board.h"
#include "model/history.h"
#include "model/options.h"
#include "shell/boardwidget.h"
#include "shell/mainwindow.h"
#include "tests/support.h"
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <csignal>
#include <filesystem>
#include <functional>
#include <sys/resource.h>

namespace {
// Answers the next modal dialog: calls act on it once it is up (act closes it). Notices
// ("message") are the fixture's to close, so a verdict that pops up first never reaches act.
void WhenModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() != "message") {
            timer->deleteLater();
            timer->stop();
            act(modal);
        }
    });
    timer->start(10);
}
// Clicks the push button of a dialog that carries text.
void ClickButton(QWidget* dialog, const char* text) {
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text() == text) return b->click();
}

class Shell : public FileTest {
  protected:
    std::unique_ptr<MainWindow> window;
    std::vector<QString> messages; // message boxes met, closed at once
    QTimer watcher;

    void SetUp() override {
        FileTest::SetUp();
        ResetAllModules();
        SetSettingsPath(Path("quadrivo.ini").c_str());
        window = std::make_unique<MainWindow>();
        window->show();
        window->SetZoom(2);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        // Verdicts and ratings are modal boxes: note and close each one.
        QObject::connect(&watcher, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->objectName() == "message") {
                messages.push_back(modal->findChild<QLabel*>("text")->text());
                qobject_cast<QDialog*>(modal)->accept();
            }
        });
        watcher.start(20);
    }
    void TearDown() override {
        watcher.stop();
        window.reset();
        FileTest::TearDown();
    }
    // A click on digit position d (0..8) of a cell, the board laid out first.
    void ClickDigit(int cell, int d, Qt::MouseButton button = Qt::LeftButton) {
        BoardWidget* board = window->Board();
        board->repaint();
        QApplication::processEvents();
        const QRect spot(DigitX(cell, d) + 3, DigitY(cell, d) + 3, 1, 1);
        QTest::mouseClick(board, button, {}, board->ToWidget(spot).topLeft());
    }
};

TEST_F(Shell, ClicksAndTheDigitPopupEnterDigits) {
    LoadGivens("4");
    ClickDigit(1, 6);
    EXPECT_EQ(Board[1] & CELL_DIGIT, 7);
    EXPECT_TRUE(window->CommandAction(CMD_UNDO)->isEnabled());
    EXPECT_FALSE(window->CommandAction(CMD_REDO)->isEnabled());
    ClickDigit(1, 0); // a tap on the last entry takes it back
    EXPECT_EQ(Board[1], 0);
    EXPECT_TRUE(window->CommandAction(CMD_REDO)->isEnabled());
    ClickDigit(2, 3); // 4 repeats the given of row 1
    EXPECT_EQ(Board[2], 0);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), "Invalid Value");

    // A secondary click opens the digit popup; its pick enters the digit.
    ClickDigit(10, 4, Qt::RightButton);
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(popup->actions().size(), 9);
    popup->actions()[2]->trigger();
    popup->close();
    EXPECT_EQ(Board[10] & CELL_DIGIT, 3);
}

// The step button and Enter apply the step shown; Ctrl+K reaches the Candidates toggle, and
// the toggles and menus show the options of the moment.
TEST_F(Shell, StepButtonTogglesAndMenusFollowTheCore) {
    LoadGivens(BUILTIN_PUZZLE);
    AnalysisOptions.techniques = 0x3F;
    RunCommand(CMD_STORE_CANDIDATES);
    window->Board()->repaint();
    ASSERT_EQ(PendingStep, 1);
    const std::string before = BoardDigits();
    auto* step = window->CommandBar()->findChildren<QToolButton*>().back();
    EXPECT_FALSE(step->toolTip().isEmpty()); // the step in words
    QTest::mouseClick(step, Qt::LeftButton);
    EXPECT_NE(BoardDigits(), before);
    EXPECT_EQ(MoveEnd, 1);
    QTest::keyClick(window.get(), Qt::Key_Return); // Enter presses the button
    EXPECT_EQ(MoveEnd, 2);

    RunCommand(CMD_BLUE + 3);
    emit window->ToggleButton(CMD_PENCIL_MARKS)->menu()->aboutToShow();
    EXPECT_TRUE(window->CommandAction(CMD_PENCIL_MARKS)->isChecked());
    emit qobject_cast<QMenu*>(window->CommandAction(CMD_PURPLE)->parent())->aboutToShow();
    EXPECT_TRUE(window->CommandAction(CMD_PURPLE)->isChecked());
    EXPECT_FALSE(window->CommandAction(CMD_BLUE)->isChecked());
    EXPECT_TRUE(window->ToggleButton(CMD_PENCIL_MARKS)->isChecked());
    EXPECT_FALSE(window->ToggleButton(CMD_CANDIDATES_BUTTON)->isChecked());
    QTest::keyClick(window.get(), Qt::Key_K, Qt::ControlModifier); // "Candidates"
    EXPECT_TRUE(window->ToggleButton(CMD_CANDIDATES_BUTTON)->isChecked());
    EXPECT_FALSE(window->ToggleButton(CMD_PENCIL_MARKS)->isChecked());
    // The Candidates toggle itself: unchecked again.
    QTest::mouseClick(window->ToggleButton(CMD_CANDIDATES_BUTTON), Qt::LeftButton, {},
                      QPoint(4, 4));
    EXPECT_FALSE(window->ToggleButton(CMD_CANDIDATES_BUTTON)->isChecked());
}

// The about box, the analysis options, the copy-paste box and "Goto Position" answer through
// their widgets.
TEST_F(Shell, DialogsAnswerThroughTheirWidgets) {
    QString text;
    WhenModal([&text](QWidget* dialog) {
        text = dialog->findChild<QLabel*>("version")->text();
        qobject_cast<QDialog*>(dialog)->accept();
    });
    RunCommand(CMD_ABOUT);
    EXPECT_EQ(text, "Quadrivo V 1.16");

    AnalysisOptions.techniques = 0x3F;
    for (bool accept : {true, false}) {
        WhenModal([accept](QWidget* dialog) {
            dialog->findChild<QCheckBox*>(accept ? "264" : "258")->setChecked(false); // GA, LC
            accept ? qobject_cast<QDialog*>(dialog)->accept()
                   : qobject_cast<QDialog*>(dialog)->reject();
        });
        RunCommand(CMD_ANALYSIS_OPTIONS);
        EXPECT_EQ(AnalysisOptions.techniques, 0x37u);
    }

    LoadGivens(BUILTIN_PUZZLE);
    WhenModal([&text](QWidget* dialog) {
        dialog->findChild<QRadioButton*>("257")->click(); // Linear
        text = dialog->findChild<QPlainTextEdit*>("text")->toPlainText();
        ClickButton(dialog, "Output");
        ClickButton(dialog, "Close");
    });
    RunCommand(CMD_BLOCK_ENTRY);
    EXPECT_EQ(text, QString(BUILTIN_PUZZLE));
    EXPECT_EQ(QApplication::clipboard()->text(), QString(BUILTIN_PUZZLE));
    EXPECT_EQ(AnalysisOptions.blockFormat, LAYOUT_LINEAR | EMPTY_DOTS);
    TapDigit(0, 1); // a move, to be dropped with the new puzzle
    ASSERT_EQ(MoveEnd, 1);
    WhenModal([](QWidget* dialog) {
        dialog->findChild<QPlainTextEdit*>("text")->setPlainText(SAMPLE_PUZZLE);
        ClickButton(dialog, "Input");
    });
    RunCommand(CMD_BLOCK_ENTRY);
    EXPECT_EQ(BoardDigits(), SAMPLE_PUZZLE);
    EXPECT_EQ(MoveEnd, 0);

    std::string lines;
    for (int i = 0; i < 5; i++) lines += std::string(SAMPLE_PUZZLE) + "\r\n";
    window->OpenNamedFile(QByteArray::fromStdString(Write("set.txt", lines)));
    RunCommand(CMD_END);
    WhenModal([&text](QWidget* dialog) {
        auto* number = dialog->findChild<QLineEdit*>("number");
        text = number->text();
        number->setText("3");
        qobject_cast<QDialog*>(dialog)->accept();
    });
    RunCommand(CMD_END); // on the last puzzle: "Goto Position"
    EXPECT_EQ(text, "5");
    EXPECT_EQ(window->windowTitle(), "{set.txt} #3");
}

TEST_F(Shell, ZoomKeysChangeTheFactorByWholeSteps) {
    auto zoom = [this](Qt::Key key) {
        QTest::keyClick(window.get(), key, Qt::ControlModifier);
        QApplication::processEvents();
        return window->Board()->Factor();
    };
    ASSERT_EQ(window->Board()->Factor(), 2);
    // The headless screen is 800 x 600: a window at zoom 3 would not fit it.
    EXPECT_EQ(zoom(Qt::Key_Equal), 2);
    const int below2 = window->height() - window->Board()->height();
    EXPECT_EQ(zoom(Qt::Key_Minus), 1);
    EXPECT_EQ(zoom(Qt::Key_Minus), 1); // never below 1
    // Text and controls under the board grew with it.
    EXPECT_GE(below2, 3 * (window->height() - window->Board()->height()) / 2);
    EXPECT_EQ(zoom(Qt::Key_Equal), 2);
    // Clicks still land on the right cell at the new zoom.
    LoadGivens("4");
    ClickDigit(80, 8);
    EXPECT_EQ(Board[80] & CELL_DIGIT, 9);
}

TEST_F(Shell, ClosingTheWindowWritesTheSettings) {
    LoadGivens("4");
    EnterDigit(2, 5); // an empty cell of the start-up puzzle
    window->close();
    ResetAllModules();
    SetSettingsPath(Path("quadrivo.ini").c_str());
    LoadSettings();
    EXPECT_EQ(Board[2] & CELL_DIGIT, 5);
}

// A second copy's file and a posted command wait while the core is inside a command: the
// save dialog writes the game it was opened over, and the file opens after it closes.
TEST_F(Shell, WorkFromOutsideWaitsForTheCommandUnderWay) {
    const QByteArray first = QByteArray::fromStdString(Write("a.txt", BUILTIN_PUZZLE));
    const QByteArray second = QByteArray::fromStdString(Write("b.txt", SAMPLE_PUZZLE));
    window->OpenNamedFile(first);
    const uint32_t techniques = AnalysisOptions.techniques;
    std::string behind;
    uint32_t techniquesBehind = 0;
    WhenModal([&](QWidget* dialog) {
        window->HandOver(second);
        ShellPostCommand(CMD_ANALYSIS);
        QTest::qWait(200);
        behind = BoardDigits();
        techniquesBehind = AnalysisOptions.techniques;
        qobject_cast<QDialog*>(dialog)->accept(); // the proposed name: a.txt
    });
    RunCommand(CMD_SAVE);
    EXPECT_EQ(behind, BUILTIN_PUZZLE);
    EXPECT_EQ(techniquesBehind, techniques);
    for (int i = 0; i < 100 && BoardDigits() != SAMPLE_PUZZLE; i++) QTest::qWait(20);
    EXPECT_EQ(BoardDigits(), SAMPLE_PUZZLE);
    EXPECT_NE(AnalysisOptions.techniques, techniques);
    LoadGameFile(first.constData());
    EXPECT_EQ(BoardDigits(), BUILTIN_PUZZLE);
}

// A long file scan shows a progress dialog after a moment, whose Cancel ends the scan; what is
// posted meanwhile runs after it.
TEST_F(Shell, ALongScanShowsProgressAndCanBeCancelled) {
    std::snprintf(CurrentFile, sizeof CurrentFile, "%s", Path("puzzles.txt").c_str());
    const uint32_t techniques = AnalysisOptions.techniques;
    QString label;
    WhenModal([&label](QWidget* dialog) {
        auto* progress = qobject_cast<QProgressDialog*>(dialog);
        label = progress->labelText();
        progress->cancel();
    });
    bool goOn = true, heldBack = true;
    for (int i = 0; i < 2000 && goOn; i++) {
        if (i == 1) ShellPostCommand(CMD_ANALYSIS);
        QTest::qSleep(5);
        goOn = ShellProgress(i, 2000);
        heldBack = heldBack && AnalysisOptions.techniques == techniques;
    }
    EXPECT_FALSE(goOn);
    EXPECT_TRUE(heldBack);
    EXPECT_EQ(label, QString::fromUtf8("Reading puzzles.txt\u2026"));
    QTest::qWait(200);
    EXPECT_NE(AnalysisOptions.techniques, techniques);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// "Create" at a level searches in a worker: Cancel stops it and leaves the game as it was; a
// search that ends brings a puzzle of its level, rated, and the level item is checked.
TEST_F(Shell, CreateAtALevelSearchesBesideTheWindow) {
    const std::string before = BoardDigits();
    ASSERT_EQ(window->StartCreate(LEVEL_VERY_DIFFICULT), 1);
    ASSERT_NE(window->CreateProgress(), nullptr);
    ClickButton(window->CreateProgress(), "Cancel");
    EXPECT_EQ(window->CreateProgress(), nullptr);
    QTest::qWait(100);
    EXPECT_EQ(BoardDigits(), before);
    EXPECT_TRUE(messages.empty());

    window->CommandAction(CMD_LEVEL_ANY + LEVEL_FIENDISH)->trigger();
    EXPECT_EQ(BoardDigits(), before); // not yet: the worker searches
    for (int i = 0; i < 1000 && messages.empty(); i++) QTest::qWait(20);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith("Rating ") && messages[0].endsWith(" (Fiendish)"))
        << messages[0].toStdString();
    ExpectFreshPuzzle();
    EXPECT_EQ(window->CreateProgress(), nullptr);
    EXPECT_EQ(MenuCheck(CMD_LEVEL_ANY + LEVEL_FIENDISH), 1);
}

// A path is held whole or refused with a message, never cut to another file's name; a picture
// that cannot be written (here on a full disk) says why.
TEST_F(Shell, PathsAreNeverCutAndFailedWritesSayWhy) {
    std::string dir = folder;
    while (dir.size() + 200 < sizeof CurrentFile) dir += "/" + std::string(100, 'd');
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/" + std::string(sizeof CurrentFile + 9 - dir.size(), 'p');
    std::ofstream(path.substr(0, sizeof CurrentFile - 1)) << SAMPLE_PUZZLE; // the cut name
    LoadGivens(BUILTIN_PUZZLE);
    window->OpenNamedFile(QByteArray::fromStdString(path));
    EXPECT_EQ(BoardDigits(), BUILTIN_PUZZLE);
    ASSERT_FALSE(messages.empty());
    EXPECT_TRUE(messages.back().contains("too long")) << messages.back().toStdString();

    auto choose = [this](const char* name) {
        WhenModal([this, name](QWidget* dialog) {
            qobject_cast<QFileDialog*>(dialog)->selectFile(QString::fromStdString(Path(name)));
            qobject_cast<QDialog*>(dialog)->accept();
        });
    };
    char chosen[16] = "x.txt";
    choose("longer-than-sixteen.txt");
    EXPECT_EQ(window->RunFileDialog(1, chosen, sizeof chosen, false), 0);
    EXPECT_STREQ(chosen, "x.txt");
    EXPECT_TRUE(messages.back().contains("too long")) << messages.back().toStdString();

    rlimit limit = {};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit full = {1024, limit.rlim_max};
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &full);
    choose("board.png");
    for (QAction* a : window->MainMenu()->actions())
        if (a->text() == "Save Picture...") a->trigger();
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(messages.back().contains("File too large")) << messages.back().toStdString();
    EXPECT_FALSE(std::filesystem::exists(Path("board.png")));
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The headless platform notes every window feature it lacks; those notes are noise here.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && !text.contains("does not support") &&
            !text.contains("XDG_RUNTIME"))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
