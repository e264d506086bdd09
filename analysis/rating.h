// Rating a puzzle by solving it with every technique on, charging each step by its technique.
#pragma once

// Solves by logic, restores the position, shows and returns the message (static buffer).
const char* RatePuzzle();
// "Very Easy" .. "Fiendish" for a final score.
const char* LevelName(int score);

// Watches the rating loop (null: nobody). Called with phase 0 just before each ApplyStep, while
// the step record and the AnalysisGrid are as RunAnalysis left them, and with phase 1 just after.
using RatingStepHook = void (*)(int kind, int phase);
extern RatingStepHook RatingStepWatcher;

// Clears the rating's message buffer and the watcher.
void ResetRatingModule();
