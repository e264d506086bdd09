// What each command does: the menu items, command-bar buttons, accelerators, the digit popup
// and the commands the program sends itself, with the gate that refuses most of them while a
// puzzle is being set up. Also the check marks a menu shows when it opens, and start and close.
#pragma once

struct Session;

// Command ids (menu items, buttons and accelerators carry these).
constexpr int CMD_CLOSE = 1;              // Ctrl+Q
constexpr int CMD_ABOUT = 102;            // "About...", Ctrl+A, posted once at start-up
constexpr int CMD_QUIT = 105;             // "Quit"
constexpr int CMD_NEW = 107;              // "New"
constexpr int CMD_OPEN = 110;             // "Open Puzzle(s)..."
constexpr int CMD_SAVE = 111;             // "Save Puzzle..."
constexpr int CMD_STARTUP = 112;          // sent once at start-up
constexpr int CMD_REOPEN = 113;           // "Reopen"
constexpr int CMD_F5 = 114;               // F5: no handler
constexpr int CMD_CREATE = 115;           // "Create"
constexpr int CMD_RATE = 116;             // "Rate Puzzle", Ctrl+R
constexpr int CMD_SETUP = 120;            // "Setup"
constexpr int CMD_CANDIDATES = 121;       // "Candidates"
constexpr int CMD_PENCIL_MARKS = 122;     // "Pencil Marks"
constexpr int CMD_STORE_CANDIDATES = 123; // "Store Candidates"
constexpr int CMD_CLEAR_MARKS = 124;      // "Clear All"
constexpr int CMD_UNDO_MARK = 125;        // "Undo Last Mark"
constexpr int CMD_UNDO = 130;             // "Undo previous digit"
constexpr int CMD_REDO = 131;             // "Redo next digit"
constexpr int CMD_BEGIN = 132;            // "Go to Beginning"
constexpr int CMD_END = 133;              // "Go to End"
constexpr int CMD_BLOCK_ENTRY = 135;      // "Block Entry..."
constexpr int CMD_SOLUTION = 141;         // "Solution"
constexpr int CMD_WRONG_VALUES = 142;     // "Wrong Values"
constexpr int CMD_HIGHLIGHT = 143;        // "Highlight Digit" (allowed in setup mode too)
constexpr int CMD_HINT = 144;             // "Hint", key '?': one more level of the hint
constexpr int CMD_FIRST_MISTAKE = 145;    // "Back to First Mistake"
constexpr int CMD_WRONG_MARKS = 146;      // "Wrong Pencil Marks"
constexpr int CMD_BLUE = 151;             // "Blue", "Red", "Green", "Purple": 151..154
constexpr int CMD_PURPLE = 154;
constexpr int CMD_STEP = 160;    // the step button
constexpr int CMD_DIGIT_1 = 171; // digit popup "1".."9": 171..179
constexpr int CMD_DIGIT_9 = 179;
// "Any Level", "Easy", "Medium", "Difficult", "Very Difficult", "Fiendish": 180..185, radio
// items that choose the level "Create" makes and create a puzzle at it.
constexpr int CMD_LEVEL_ANY = 180;
constexpr int CMD_LEVEL_FIENDISH = 185;
constexpr int CMD_PAUSE = 190;            // "Pause", Ctrl+Space (again: resume)
constexpr int CMD_RESTART = 191;          // "Restart Puzzle"
constexpr int CMD_STATISTICS = 192;       // "Statistics..."
constexpr int CMD_PAUSE_AWAY = 193;       // "Pause When Away": pause on minimise or focus loss
constexpr int CMD_PRACTICE = 194;         // "Practice": a puzzle that needs a technique chosen
constexpr int CMD_ANALYSIS_OPTIONS = 250; // "Analysis Options..."
constexpr int CMD_CANDIDATES_BUTTON = 256;
constexpr int CMD_ANALYSIS = 257; // "Analysis"

// Carries out command id. Returns 1 when the command has a handler (a refused command beeps
// and counts as handled), 0 when the platform's default handling applies (unknown ids, F5).
int RunCommand(Session* S, int id);

// Check state of a menu item when its menu opens: 1 checked, 0 not (radio items 151..154 and
// 180..185 included); -1 for an item that carries no check.
int MenuCheck(Session* S, int id);

// The Open (save = 0) or Save (save = 1) file dialog, proposing the open file's name, or for a
// first save "Pzl" and today's date as yymmdd. 1 when a file was chosen: CurrentFile then holds
// its path and no collection puzzle is shown; 0 when cancelled (nothing changed).
int ChooseFile(Session* S, int save);

// Opens a file named outside the file dialog (the command line, a second copy of the program)
// as "Open Puzzle(s)..." opens a chosen one; a puzzle being set up is given up first.
void OpenFileByName(Session* S, const char* path);

// The desktop's own settings, kept beside the settings file: "Highlight Digit" is restored into
// the focus; returns the zoom the window had (0: none kept, the window's default).
int RestoreView(Session* S);

// The window is closing (however it closes): writes the settings file, and the view settings
// with the window's zoom. Returns 1 when written or there is nowhere to write them, 0 when
// writing failed (LastSaveError says why).
int ShutDown(Session* S, int zoom);
