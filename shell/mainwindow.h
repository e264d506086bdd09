// The main window: the board, the line stating the step shown, three status panes and the
// command bar at the bottom (the "Menu" drop-down, navigation buttons, the two toggles with
// their drop-down menus and the step button). It attaches its hook table to the session it shows
// and passes every command, tap and key to the core's control layer.
#pragma once
#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>

struct CreateSearch;
struct RatingJob;
struct Session;

class BoardWidget;
class DigitBar;
class QLabel;
class QPlainTextEdit;
class QMenu;
class QToolBar;
class QToolButton;
class QAction;
class QProgressDialog;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    // Shows the session (the game with its analysis, made before the window and outliving it)
    // and attaches the window's hooks to it.
    explicit MainWindow(Session* session);
    ~MainWindow() override;

    Session* GameSession() const { return S; }
    // Runs a command of the core on the session (as a menu item or key does).
    void Run(int id);
    // The game changed (the redraw hook): the board is repainted, and the step line follows
    // once the core has finished the operation under way.
    void BoardChanged();

    // Runs the start-up command and posts the about box, as the program does once its
    // window exists.
    void StartUp();
    // Opens a file named outside the menus (command line, a second copy of the program) by its
    // absolute path; a path too long to hold whole is refused with a message, never cut.
    void OpenNamedFile(const QByteArray& path);
    // Brings the window, and a dialog it shows, to the front.
    void BringToFront();
    // A later copy of the program asked for the window, naming file ("" for none): the window
    // comes forward now, the file opens once the window is free (RunWhenFree).
    void HandOver(const QByteArray& file);
    // Runs work once no command of the core's is waiting in a dialog, box, popup or file scan,
    // in the order asked; dropped when the program is ending.
    void RunWhenFree(std::function<void()> work);
    // Writes the settings once, however the program ends; false when writing failed.
    bool SaveSession();
    // SaveSession with nobody there to answer a box (a signal, logout): a failure goes to
    // standard error and the system log; false then.
    bool SaveSessionQuietly();
    // A termination signal: every event loop ends (open dialogs and popups close), and from now
    // on the core's dialogs, boxes and scans return at once as cancelled, so the program gets
    // back to its outermost level, where the session is saved.
    void EndNow();
    bool Ending() const { return ending; }

    BoardWidget* Board() const { return board; }
    DigitBar* Digits() const { return digitBar; }
    QToolBar* CommandBar() const { return commandBar; }
    QMenu* MainMenu() const { return mainMenu; }
    QAction* CommandAction(int id) const;
    QToolButton* ToggleButton(int id) const; // 122 or 256

    // Hook targets (the hook table calls these on the window given as its context).
    void SetStatusText(int pane, const QString& text);
    void EnableNavButton(int id, bool enabled);
    void UpdateToggleButtons();
    void UpdateTitle();
    void ShowMessage(const QString& text);
    // A question with Yes and No over the window: 1 yes.
    int AskYesNo(const QString& text);
    void RunClock(bool run);
    int RunDialog(int id);
    int RunFileDialog(int save, char* path, int size, bool overwritePrompt);
    // A long file scan has read done of total bytes: after a moment a modal progress dialog
    // shows, and the event loop runs (nothing re-enters the core meanwhile). false: cancelled.
    bool ReportProgress(int64_t done, int64_t total);
    // "Create" at level 1..5, or "Practice" of a technique (TQ_, level then ignored): a search
    // on a thread of its own runs while the window goes on, with a progress dialog (puzzles
    // tried, Cancel); its puzzle becomes the game once the window is free. A search under way
    // gives way to the new one. Returns 1, 0 when no search starts.
    int StartCreate(int level, int technique = 0);
    // The search under way, if any, is stopped; its dialog goes.
    void EndCreate();
    QProgressDialog* CreateProgress() const { return createDialog; }
    // "Rate Puzzle": a rating on a thread of its own while the window goes on; its result shows
    // once the window is free. A rating under way answers a second request. Returns 1.
    int StartRating();
    // Resizes the window so the board shows at factor, text and controls grown with it; a
    // factor whose window would not fit the screen is brought down to the largest that does.
    void SetZoom(int factor);
    int DefaultZoom(); // the factor a new window starts with
    // The window, the board and the area around it in the palette of the session's theme.
    void ApplyTheme();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateBoard();
    void CreateStatusPanes();
    void CreateMenus();
    void CreateCommandBar();
    void CreateAccelerators();
    void CreateThemeMenu();
    void CreatePrinting();
    QAction* SeparatorBeforeQuit() const; // where the file group of the Menu ends
    void CreatePausing();
    void CreateDigitBar();
    void CreateAccessibility();
    // The line under the board shows the step of the moment (StepLineText), wrapped to its width.
    void UpdateStepLine();
    void UpdateScale();
    // The window's size at a zoom, frame included; leaves text and board at that zoom.
    QSize WindowSizeFor(int factor);
    // The largest zoom whose window fits the screen's width and this share of its height.
    int LargestZoom(double share);
    void SavePicture();
    QAction* AddCommand(QMenu* menu, const QString& text, int id, const QString& key = {});
    QIcon ButtonIcon(int index) const;
    bool Busy() const; // the core waits in a nested loop, or a dialog or popup is open
    void RunDeferred();
    void EndScan();
    void PollCreate();

    Session* const S; // the game shown, with its analysis; not owned
    BoardWidget* board = nullptr;
    QPlainTextEdit* stepLine = nullptr;
    DigitBar* digitBar = nullptr;
    QLabel* panes[3] = {};
    QWidget* statusBar = nullptr;
    QToolBar* commandBar = nullptr;
    QToolButton* menuButton = nullptr;
    QMenu* mainMenu = nullptr;
    QMenu* levelsMenu = nullptr; // "Create Level", in mainMenu
    QMenu* marksMenu = nullptr;
    QMenu* analysisMenu = nullptr;
    QToolButton* pencilButton = nullptr;
    QToolButton* candidatesButton = nullptr;
    QToolButton* stepButton = nullptr;
    QAction* navActions[4] = {};
    QTimer clock;
    QTimer stepLineTimer; // brings the step line up to date once the event under way is done
    int shownFactor = 0;  // the zoom everything under the board was last sized for
    qreal shownRatio = 0;
    bool sessionSaved = false;

    bool ending = false; // closed or told to end: no more dialogs, hand-overs or commands
    int nested = 0;      // nested event loops the window runs for the core (boxes, dialogs)
    std::deque<std::function<void()>> deferred; // RunWhenFree's work, oldest first
    QTimer deferredTimer;
    QElapsedTimer scanClock; // since the running file scan's first report (invalid: none)
    QTimer scanEnd;          // fires once the core has left the scan
    QProgressDialog* progressDialog = nullptr;
    bool reporting = false; // inside ReportProgress

    CreateSearch* search = nullptr; // the search of "Create" or "Practice", if one runs
    int searchTechnique = 0;        // the technique it practises, 0 for "Create"
    QTimer searchPoll;              // asks the search how it stands
    QString createLabel;            // "Creating a Fiendish puzzle…"
    QProgressDialog* createDialog = nullptr;
    QTimer createShow; // shows the dialog once the search takes a moment

    RatingJob* ratingJob = nullptr; // the rating of "Rate Puzzle", if one runs or waits to show
};
