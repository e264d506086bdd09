// Command "Rate Puzzle": the ratings of the position, at once or on a thread beside the window.
#pragma once
#include "analysis/player.h"
#include <cstddef>

struct Game;
struct Session;

// Room for the message of both ratings.
constexpr size_t RATING_TEXT_SIZE = 192;
// The message "Rate Puzzle" shows: the classic score's (RatingMessage) on the first line, the
// player's rating (PlayerRatingMessage) after "Player's rating: " on the second, e.g.
// "Rating 3 (Medium)\nPlayer's rating: 4.2 Difficult (XY-wing)"; "nothing left to solve"
// stands for the player's rating of a full grid. Returns text.
const char* BothRatingsMessage(int score, const PlayerResult& player, char* text, size_t size);

// Rates S's position as "Rate Puzzle" does: on a thread when the shell runs one (startRating
// hook; the result then comes through FinishRating), else at once with the busy cursor. Both
// ratings are announced in a message box (BothRatingsMessage); the game (marks, clock,
// position) is not touched.
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
