// One place that puts every module-level variable of the core back to its start-up value,
// so that a test, the CLI or a batch worker starts from a known state.
#pragma once

void ResetAllModules();
