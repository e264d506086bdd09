// The settings file: the whole game (board, history, marks, options) in 603 little-endian bytes.
#pragma once
#include <string>

struct Game;

constexpr int SETTINGS_SIZE = 603;
constexpr int SETTINGS_VERSION = 1;

// Where the settings file lives: $XDG_CONFIG_HOME/quadrivo/quadrivo.ini, else
// ~/.config/quadrivo/quadrivo.ini; SetSettingsPath overrides it (tests, the CLI).
std::string SettingsPath();
// The program's folder under an XDG base directory: "$VARIABLE/quadrivo" when the variable holds
// an absolute path (a relative one is invalid and ignored, as the convention asks), else
// "$HOME/underHome/quadrivo"; "" when neither is set.
std::string ProgramFolder(const char* variable, const char* underHome);
void SetSettingsPath(const char* path);

// Reads the file (at start-up) into the game: in setup mode its counters become CollectionIndex
// and CollectionCount (whole from the side file when it agrees), MovePos and MoveEnd 0. Telling
// the window is the caller's. Returns 2 when read, 1 when missing or foreign (nothing changed),
// 0 when the file is there but cannot be read (LastOpenError in filereader.h says why): the
// program then runs with its defaults, and the file is never written over; -1 when there is
// nowhere to keep the file.
int LoadSettings(Game* G);
// Writes the file (at exit), private to the user. Returns 1 when written, 0 when it failed with
// LastSaveError set, -1 when there is nowhere to keep the file or it is that unreadable one.
int SaveSettings(Game* G);

// The order of the steps the window shows, hints and carries out ("Order=classic" or
// "Order=player" in the side file): the classic engine's, or the player's table order.
constexpr int VIEW_ORDER_CLASSIC = 0;
constexpr int VIEW_ORDER_PLAYER = 1;

// The desktop program's view, kept in a side file of text lines ("HighlightDigit=1", "Zoom=3")
// beside the settings file, whose 603 bytes stay as they are.
struct ViewSettingsRecord {
    int highlightDigit = 1; // 0 or 1
    int zoom = 0;           // 0..32; 0: the window's default
    int createLevel = 0;    // 0..5: the level "Create" makes, 0 any
    // The collection position in setup mode, whole: the settings file keeps its low 16 bits.
    int collectionIndex = -1; // -1: none
    int collectionCount = 0;
    int theme = 0;                 // THEME_SYSTEM, THEME_LIGHT or THEME_DARK
    int pauseAway = 0;             // 1: pause when the window is minimised or loses focus
    int order = VIEW_ORDER_PLAYER; // the order of solving steps the window shows
};
// The board's theme: follow the desktop's colour scheme, or force light or dark.
constexpr int THEME_SYSTEM = 0;
constexpr int THEME_LIGHT = 1;
constexpr int THEME_DARK = 2;
// Reads the side file (the settings path with ".ini" replaced by "-view.ini", i.e.
// quadrivo-view.ini): 1 read, 0 absent or unreadable (the record keeps its values). Unknown
// lines, values out of range and words a key does not take are ignored.
int LoadViewSettings(ViewSettingsRecord* view);
// Writes the side file, private to the user: 1 written, 0 failed (LastSaveError), -1 nowhere
// to keep it.
int SaveViewSettings(const ViewSettingsRecord& view);
