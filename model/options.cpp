// The one option record; see options.h for the meaning of each field.
#include "model/options.h"

// The live options; defaults until the settings file or a command changes them.
AnalysisOptionsRecord AnalysisOptions = {0, 0, 0, DEFAULT_TECHNIQUES,   0,
                                         0, 0, 0, DEFAULT_BLOCK_FORMAT, {}};

void ResetOptionsModule() {
    AnalysisOptions = AnalysisOptionsRecord{};
    AnalysisOptions.techniques = DEFAULT_TECHNIQUES;
    AnalysisOptions.blockFormat = DEFAULT_BLOCK_FORMAT;
}
