// Command "Rate Puzzle": the rating of the position, at once or on a thread beside the window.
#pragma once

struct Game;
struct Session;

// Rates S's position as "Rate Puzzle" does: on a thread when the shell runs one (startRating
// hook; the result then comes through FinishRating), else at once with the busy cursor. The
// score is announced in a message box; the game (marks, clock, position) is not touched.
void RateGame(Session* S);

// A rating of a copy of a position on a thread of its own, so the game goes on meanwhile.
struct RatingJob;
// Starts rating G's position, copied here; done(context), when given, is called once on the
// job's thread when the score is known.
RatingJob* StartRatingJob(const Game* G, void (*done)(void* context), void* context);
// Waits for the job, frees it and shows its result as "Rate Puzzle" does. When S's digits are no
// longer those it rated (played on meanwhile), S's position is rated afresh instead; in setup
// mode nothing is shown. A null job does nothing.
void FinishRating(Session* S, RatingJob* job);
// Waits for the job and frees it, showing nothing (the window closes). A null job does nothing.
void DropRatingJob(RatingJob* job);
