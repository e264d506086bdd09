// The settings file: the whole game (board, history, marks, options) in 603 little-endian bytes.
#pragma once
#include <string>

constexpr int SETTINGS_SIZE = 603;
constexpr int SETTINGS_VERSION = 1;

// Where the settings file lives: $XDG_CONFIG_HOME/quadrivo/quadrivo.ini, else
// ~/.config/quadrivo/quadrivo.ini; SetSettingsPath overrides it (tests, the CLI).
std::string SettingsPath();
void SetSettingsPath(const char* path);

// load = 1 reads the file (1; a missing or foreign file quietly changes nothing), load = 0
// writes it, private to the user: 1 written, 0 failed with LastSaveError set (puzzlefile.h).
// -1 when there is nowhere to keep the file (no HOME).
int TransferSettings(int load);

void ResetSettingsModule();
