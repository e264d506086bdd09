// Rating: solve the position by logic with every technique on, charging each step its
// technique's cost in RatingScore, then put the position back and report score and level.
// State: the text of the last result, which RatePuzzle returns.
#include "analysis/rating.h"
#include "analysis/driver.h"
#include "analysis/state.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include "model/verdicts.h"
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

// The message of the last rating ("" before any).
static char RatingText[64];

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

static void TakeProgress(Progress& p) {
    std::memcpy(p.board, Board, sizeof p.board);
    std::memcpy(p.grid, AnalysisGrid, sizeof p.grid);
    p.techniques = AnalysisOptions.techniques;
}

static bool SameProgress(const Progress& p) {
    return std::memcmp(p.board, Board, sizeof p.board) == 0 &&
           std::memcmp(p.grid, AnalysisGrid, sizeof p.grid) == 0 &&
           p.techniques == AnalysisOptions.techniques;
}

// Returns the score, or 0 when the logic cannot fill the grid. Board, MovePos, MoveEnd, the
// redo records and options 0..4 are as before; the marks are refilled or cleared and the clock
// restarts.
int RatePosition(RatingStepHook watch, void* context) {
    AnalysisOptionsRecord& opt = AnalysisOptions;
    const uint32_t saved[5] = {opt.setupMode, opt.pencilMarks, opt.showCandidates, opt.techniques,
                               opt.wrongValues};
    opt.techniques = 0xFFFF & ~TECH_ALS_CHAINS; // every technique
    AlsChainLinks = 1; // from the first pass, until a run's second pass clears it
    opt.pencilMarks = 1;
    opt.showCandidates = 0; // the analysis works on the MarkGrid
    const int startPos = MovePos, startEnd = MoveEnd;
    // The rating enters its moves from startPos on; keep the user's redo records to put back.
    MoveRecord redo[HISTORY_SLOTS];
    for (int i = startPos; i < startEnd && i < HISTORY_SLOTS; i++) redo[i] = MoveHistory[i];

    RatingScore = 1;
    PositionQuiet = 1; // the moves played here are not shown
    LoadMarksFromCandidates();
    ShellBusyCursor(true);
    bool stuck = false;
    int kind = RunAnalysis();
    for (;;) {
        PendingStep = kind;
        if (kind == STEP_NONE) break;
        Progress before;
        TakeProgress(before);
        if (watch) watch(context, kind, 0);
        ApplyStep(kind, true);
        if (watch) watch(context, kind, 1);
        // Nothing changed (a contradictory singles step, or an entry refused as invalid):
        // the same step would come back forever.
        if (SameProgress(before)) {
            stuck = true;
            PendingStep = 0;
            break;
        }
        kind = RunAnalysis();
    }
    ShellBusyCursor(false);

    opt.setupMode = saved[0];
    opt.pencilMarks = saved[1];
    opt.showCandidates = saved[2];
    opt.techniques = saved[3];
    opt.wrongValues = saved[4];
    const int filled = CountFilled();

    GoToStart();
    MoveEnd = startPos;
    GoToEnd();
    MovePos = startPos;
    MoveEnd = startEnd;
    for (int i = startPos; i < startEnd && i < HISTORY_SLOTS; i++) MoveHistory[i] = redo[i];
    RefreshPosition();
    RefreshMarks();
    StartClock();

    const int score = filled == 81 && !stuck ? int(RatingScore) : 0;
    RatingScore = 0;
    AlsChainLinks = 0;
    PositionQuiet = 0;
    return score;
}

// Returns the text it showed: "Rating %d (%s)" when the logic filled the grid, else
// "Can't solve this puzzle with logic!".
int RatePosition() {
    return RatePosition(nullptr, nullptr);
}

const char* RatePuzzle(RatingStepHook watch, void* context) {
    const int score = RatePosition(watch, context);
    if (score > 0)
        std::snprintf(RatingText, sizeof RatingText, "Rating %d (%s)", score, LevelName(score));
    else
        std::snprintf(RatingText, sizeof RatingText, "%s", TEXT_UNSOLVED);
    ShellMessageBox(RatingText);
    ShellRedraw();
    return RatingText;
}

void ResetRatingModule() {
    RatingText[0] = 0;
}

const char* RatePuzzle() {
    return RatePuzzle(nullptr, nullptr);
}
