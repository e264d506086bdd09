// Rating a puzzle by solving it with every technique on, charging each step by its technique.
#pragma once

// Solves by logic, restores the position, shows and returns the message (static buffer).
const char* RatePuzzle();
// "Very Easy" .. "Fiendish" for a final score.
const char* LevelName(int score);
