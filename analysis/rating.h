// Rating a puzzle by solving it with every technique on, charging each step by its technique.
#pragma once
#include "model/game.h"

struct Game;

struct Analysis;

// Watches the rating loop: called with phase 0 just before each ApplyStep, while the step record
// and the AnalysisGrid are as RunAnalysis left them, and with phase 1 just after; context is the
// watcher's own, passed through; A is the rating's analysis.
using RatingStepHook = void (*)(void* context, Analysis* A, int kind, int phase);

// A rating's own game and analysis. The game is a quiet copy of the one rated (no hooks, no
// observers but the analysis), so a rating changes nothing of the game it rates, and raters on
// different threads rate at once. Keep one and reuse it: it is large (make it with new).
struct Rater {
    Game game;
    Analysis* A;        // owned; analyses game
    bool stuck = false; // the last rating ended on a step that changed nothing
    Rater();
    ~Rater();
    Rater(const Rater&) = delete;
    Rater& operator=(const Rater&) = delete;
};

// The start of a rating: R's game becomes a quiet copy of G with every technique on and the
// computed candidates as its marks, R's analysis starts a score of 1.
void StartRating(Rater* R, const Game* G);
// Solves the position of G by logic on R's copy, every technique on, charging each step its
// technique's cost: the score (1 or more), 0 when the logic cannot solve it. G is unchanged.
// watch (may be null) sees every step, with context.
int RatePosition(Rater* R, const Game* G, RatingStepHook watch, void* context);
// The solving loop of RatePosition on R's game as StartRating (or the caller after it) left it:
// the score, 0 when the logic cannot solve the position.
int RunRating(Rater* R, RatingStepHook watch, void* context);
// Rates G on a rater of its own and writes the message of the score (RatingMessage) into text
// (size bytes); returns text. G is not touched, and nothing is shown.
const char* RatePuzzle(const Game* G, char* text, int size);
// The message of a score: "Rating %d (%s)" for 1 or more, else "Can't solve this puzzle with
// logic!", into text (size bytes); returns text.
const char* RatingMessage(int score, char* text, int size);

// Levels of a score, LEVEL_VERY_EASY (score 0) .. LEVEL_FIENDISH (65 and more), 16 points each.
constexpr int LEVEL_VERY_EASY = 0;
constexpr int LEVEL_EASY = 1;
constexpr int LEVEL_MEDIUM = 2;
constexpr int LEVEL_DIFFICULT = 3;
constexpr int LEVEL_VERY_DIFFICULT = 4;
constexpr int LEVEL_FIENDISH = 5;
int LevelIndex(int score);
// "Very Easy" .. "Fiendish" for a final score.
const char* LevelName(int score);
