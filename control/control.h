// Start-up state of the control modules (taps, keys, dialog rules).
#pragma once

void ResetControlModules();
