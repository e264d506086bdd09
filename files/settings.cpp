#include "files/settings.h"
void ResetSettingsModule() {}
