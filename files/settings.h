// The settings file: the whole game (board, history, marks, options) in 603 little-endian bytes.
#pragma once
#include <string>

constexpr int SETTINGS_SIZE = 603;
constexpr int SETTINGS_VERSION = 1;

// Where the settings file lives: $XDG_CONFIG_HOME/quadrivo/quadrivo.ini, else
// ~/.config/quadrivo/quadrivo.ini; SetSettingsPath overrides it (tests, the CLI).
std::string SettingsPath();
void SetSettingsPath(const char* path);

// load = 1 reads the file, load = 0 writes it; every failure is silent.
void TransferSettings(int load);

void ResetSettingsModule();
