// Rating: solve the position by logic with every technique on, charging each step its
// technique's cost in RatingScore, on a rater's copy of the game, and report score and level.
#include "analysis/rating.h"
#include "analysis/analysis.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "model/board.h"
#include "model/game.h"
#include "model/marks.h"
#include "model/options.h"
#include <cstdio>
#include <cstring>

// Level names by index min((score + 15) / 16, 5).
constexpr const char* LEVEL_NAMES[] = {
    "Very Easy",      // 0
    "Easy",           // 1: 1..16
    "Medium",         // 2: 17..32
    "Difficult",      // 3: 33..48
    "Very Difficult", // 4: 49..64
    "Fiendish",       // 5: 65 and more
};
static_assert(sizeof LEVEL_NAMES / sizeof LEVEL_NAMES[0] == LEVEL_FIENDISH + 1);

constexpr const char* TEXT_UNSOLVED = "Can't solve this puzzle with logic!";

int LevelIndex(int score) {
    int index = (score + 15) / 16;
    if (index > LEVEL_FIENDISH) index = LEVEL_FIENDISH;
    if (index < 0) index = 0;
    return index;
}

const char* LevelName(int score) {
    return LEVEL_NAMES[LevelIndex(score)];
}

// What a step may change; a step that leaves all of it as it was cannot progress.
struct Progress {
    uint8_t board[81];
    DigitMask grid[81];
    uint32_t techniques;
};

static void TakeProgress(Analysis* A, Progress& p) {
    std::memcpy(p.board, A->G->Board, sizeof p.board);
    std::memcpy(p.grid, A->AnalysisGrid, sizeof p.grid);
    p.techniques = A->G->AnalysisOptions.techniques;
}

static bool SameProgress(Analysis* A, const Progress& p) {
    return std::memcmp(p.board, A->G->Board, sizeof p.board) == 0 &&
           std::memcmp(p.grid, A->AnalysisGrid, sizeof p.grid) == 0 &&
           p.techniques == A->G->AnalysisOptions.techniques;
}

Rater::Rater() : A(new Analysis(&game)) {}

Rater::~Rater() {
    delete A;
}

void StartRating(Rater* R, const Game* G) {
    Game& game = R->game;
    Analysis* A = R->A;
    game = *G;
    game.PositionQuiet = 1; // off screen: no hook is called, a full grid is not announced
    // Of the game's observers only the analysis stays: each entry makes its step stale.
    game.ObserverCount = 0;
    ObservePosition(&game, ForgetStep, A);
    AnalysisOptionsRecord& opt = game.AnalysisOptions;
    opt.techniques = 0xFFFF & ~TECH_ALS_CHAINS; // every technique
    opt.pencilMarks = 1;
    opt.showCandidates = 0; // the analysis works on the MarkGrid
    A->AlsChainLinks = 1;   // from the first pass, until a run's second pass clears it
    A->RatingScore = 1;
    LoadMarksFromCandidates(&game);
}

// Returns the score, or 0 when the logic cannot fill the grid. G is not touched: the rating
// plays on the rater's copy.
int RatePosition(Rater* R, const Game* G, RatingStepHook watch, void* context) {
    StartRating(R, G);
    return RunRating(R, watch, context);
}

int RunRating(Rater* R, RatingStepHook watch, void* context) {
    Analysis* A = R->A;
    bool stuck = false;
    for (int kind = RunAnalysis(A); kind != STEP_NONE; kind = RunAnalysis(A)) {
        Progress before;
        TakeProgress(A, before);
        if (watch) watch(context, A, kind, 0);
        ApplyStep(A, kind, true);
        if (watch) watch(context, A, kind, 1);
        // Nothing changed (a contradictory singles step, or an entry refused as invalid):
        // the same step would come back forever.
        if (SameProgress(A, before)) {
            stuck = true;
            break;
        }
    }
    R->stuck = stuck;
    const int score = CountFilled(&R->game) == 81 && !stuck ? int(A->RatingScore) : 0;
    A->RatingScore = 0;
    A->AlsChainLinks = 0;
    return score;
}

const char* RatingMessage(int score, char* text, int size) {
    if (score > 0)
        std::snprintf(text, size, "Rating %d (%s)", score, LevelName(score));
    else
        std::snprintf(text, size, "%s", TEXT_UNSOLVED);
    return text;
}

const char* RatePuzzle(const Game* G, char* text, int size) {
    Rater* rater = new Rater;
    const int score = RatePosition(rater, G, nullptr, nullptr);
    delete rater;
    return RatingMessage(score, text, size);
}
