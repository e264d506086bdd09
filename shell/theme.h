// The board's theme in the window: the palette of the theme the user chose (View menu "Theme"),
// the desktop's colour scheme deciding for "System".
#pragma once

struct BoardPalette;
struct Session;
class QMenu;
class QWidget;

// Whether the desktop asks for dark windows: its colour scheme where Qt reports one, else the
// lightness of the window colour of the palette the program started with.
bool DesktopIsDark();
// The whole program (command bar, panes, menus, dialogs) in S's theme: the desktop's palette
// when the theme agrees with it, else a dark or a plain light one of the program's own.
void ApplyProgramTheme(const Session* S);
// The palette the board is drawn in for S's theme.
const BoardPalette& ShownPalette(const Session* S);
// Colours area (the widget around the board) in the palette's background and text colours.
void ApplyBoardTheme(const BoardPalette& palette, QWidget* area);
// Fills menu with the radio items System, Light and Dark; choosing one sets S's theme and calls
// changed.
void FillThemeMenu(Session* S, QMenu* menu, void (*changed)(void* context), void* context);
