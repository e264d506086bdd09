// Pause and restart. A paused game's clock stands and its board is drawn covered until it is
// resumed (any command or a click on the board resumes it). "Restart Puzzle" takes every move
// back in one step, kept as redo records: "Go to End" brings the game back as it was.
#pragma once

struct Session;

// Pauses the game in play: 1 paused, 0 not (setup mode, a full grid, or paused already).
int PauseGame(Session* S);
// Resumes a paused game: 1 resumed, 0 it was not paused.
int ResumeGame(Session* S);
// Ctrl+Space: pauses or resumes.
void TogglePause(Session* S);
// "Restart Puzzle": the givens alone again as one undoable step (every move a redo record, as
// "Go to Beginning" leaves them, with the marks of the start; Undo takes the restart back), the
// solution hidden, the clock from zero; 1 restarted, 0 nothing to take back.
int RestartPuzzle(Session* S);
