// The main window: the board, the line stating the step shown, three status panes and the
// command bar at the bottom (the "Menu" drop-down, navigation buttons, the two toggles with
// their drop-down menus and the step button). It fills the core's hook table and passes every
// command, tap and key to the core's control layer.
#pragma once
#include <QMainWindow>
#include <QTimer>

class BoardWidget;
class QLabel;
class QMenu;
class QToolBar;
class QToolButton;
class QAction;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow();
    ~MainWindow() override;

    // Runs the start-up command and posts the about box, as the program does once its
    // window exists.
    void StartUp();
    // Opens a file named outside the menus (command line, a second copy of the program).
    void OpenNamedFile(const QString& path);
    // Brings the window, and a dialog it shows, to the front.
    void BringToFront();
    // Writes the settings once, however the program ends; false when writing failed.
    bool SaveSession();

    BoardWidget* Board() const { return board; }
    QToolBar* CommandBar() const { return commandBar; }
    QMenu* MainMenu() const { return mainMenu; }
    QAction* CommandAction(int id) const;
    QToolButton* ToggleButton(int id) const; // 122 or 256

    // Hook targets (the hook table calls these on the one window).
    void SetStatusText(int pane, const QString& text);
    void EnableNavButton(int id, bool enabled);
    void UpdateToggleButtons();
    void UpdateTitle();
    void ShowMessage(const QString& text);
    void RunClock(bool run);
    int RunDialog(int id);
    int RunFileDialog(int save, char* path, int size, bool overwritePrompt);
    // Resizes the window so the board shows at factor, text and controls grown with it; a
    // factor whose window would not fit the screen is brought down to the largest that does.
    void SetZoom(int factor);
    int DefaultZoom(); // the factor a new window starts with

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateBoard();
    void CreateStatusPanes();
    void CreateMenus();
    void CreateCommandBar();
    void CreateAccelerators();
    void UpdateStepLine();
    void UpdateScale();
    // The window's size at a zoom, frame included; leaves text and board at that zoom.
    QSize WindowSizeFor(int factor);
    // The largest zoom whose window fits the screen's width and this share of its height.
    int LargestZoom(double share);
    void SavePicture();
    QAction* AddCommand(QMenu* menu, const QString& text, int id, const QString& key = {});
    QIcon ButtonIcon(int index) const;

    BoardWidget* board = nullptr;
    QLabel* stepLine = nullptr;
    QLabel* panes[3] = {};
    QWidget* statusBar = nullptr;
    QToolBar* commandBar = nullptr;
    QMenu* mainMenu = nullptr;
    QMenu* marksMenu = nullptr;
    QMenu* analysisMenu = nullptr;
    QToolButton* pencilButton = nullptr;
    QToolButton* candidatesButton = nullptr;
    QToolButton* stepButton = nullptr;
    QAction* navActions[4] = {};
    QTimer clock;
    int shownFactor = 0;  // the zoom the status panes were last sized for
    int buttonFactor = 0; // the zoom the button images were last made for
    qreal shownRatio = 0;
    int stepLineWidth = 0; // the width the step line's text was last cut for
    bool sessionSaved = false;
};
