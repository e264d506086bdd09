// Rating a puzzle by solving it with every technique on, charging each step by its technique.
#pragma once

// Watches the rating loop: called with phase 0 just before each ApplyStep, while the step record
// and the AnalysisGrid are as RunAnalysis left them, and with phase 1 just after; context is the
// watcher's own, passed through.
using RatingStepHook = void (*)(void* context, int kind, int phase);

// Solves by logic, restores the position, shows and returns the message (static buffer). watch
// (may be null) sees every step, with context.
const char* RatePuzzle(RatingStepHook watch, void* context);
const char* RatePuzzle(); // nobody watching
// The same without the message and the redraw: the score (1 or more), 0 when the logic cannot
// solve the position.
int RatePosition(RatingStepHook watch, void* context);
int RatePosition();

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

// Clears the rating's message buffer.
void ResetRatingModule();
