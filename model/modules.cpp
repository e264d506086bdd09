// ResetAllModules: every module's start-up state, restored in dependency order.
#include "model/modules.h"
#include "control/control.h"
#include "analysis/als.h"
#include "analysis/chains.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "exactcover/count.h"
#include "exactcover/generator.h"
#include "files/puzzlefile.h"
#include "files/settings.h"
#include "files/text.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"

void ResetAllModules() {
    InstallShellHooks(nullptr);
    ResetOptionsModule();
    ResetBoardModule();
    ResetHistoryModule();
    ResetMarksModule();
    ResetVerdictsModule();
    ResetCountModule();
    ResetGeneratorModule();
    ResetStateModule();
    ResetDriverModule();
    ResetChainsModule();
    ResetAlsModule();
    ResetTextModule();
    ResetPuzzleFileModule();
    ResetSettingsModule();
    ResetControlModules();
}
