// "Create" at a chosen level: draws puzzles from the generator and rates each until one lands at
// the level asked for. Each rating plays on its rater's copy, so the puzzle found is on the
// Board just as the generator left it. The seeded random source makes the search repeatable.
#include "analysis/create.h"
#include "analysis/rating.h"

int64_t CreatePuzzleAtLevel(Rater* R, Game* G, Generator* gen, int level, CreateWatcher watch,
                            void* context) {
    if (level < 0 || level > LEVEL_FIENDISH) return -1;
    for (int64_t tried = 1;; tried++) {
        CreateGame(G, gen);
        if (level == 0) return tried;
        const int score =
            RatePosition(R, G, nullptr, nullptr); // 0: the logic cannot solve it, no level
        if (score > 0 && LevelIndex(score) == level) return tried;
        if (watch && !watch(context, tried)) return 0;
    }
}
