// Command "Rate Puzzle", and the rating job the window runs it on: a rater with its own copy of
// the position on a thread, so the board stays in play while it works.
#include "control/rate.h"
#include "analysis/rating.h"
#include "control/session.h"
#include "model/board.h"
#include "model/hooks.h"
#include <cstring>
#include <thread>

struct RatingJob {
    Rater rater;
    uint8_t digits[81]; // the position rated
    int score = 0;      // written by the job's thread, read after it is joined
    std::thread thread;
};

static void TakeDigits(const Game* G, uint8_t* digits) {
    for (int i = 0; i < 81; i++) digits[i] = G->Board[i] & CELL_DIGIT;
}

// The game is left as it is (marks, clock, position): the rating only announces its message.
void RateGame(Session* S) {
    if (ShellStartRating(S)) return;
    char text[64];
    ShellBusyCursor(S, true);
    RatePuzzle(S, text, sizeof text);
    ShellBusyCursor(S, false);
    ShellMessageBox(S, text);
}

RatingJob* StartRatingJob(const Game* G, void (*done)(void* context), void* context) {
    RatingJob* job = new RatingJob;
    TakeDigits(G, job->digits);
    StartRating(&job->rater, G); // the copy, taken while G holds still
    job->thread = std::thread([job, done, context] {
        job->score = RunRating(&job->rater, nullptr, nullptr);
        if (done) done(context);
    });
    return job;
}

// Waits for the job and frees it; its score.
static int EndRatingJob(RatingJob* job, uint8_t* digits) {
    job->thread.join();
    std::memcpy(digits, job->digits, sizeof job->digits);
    const int score = job->score;
    delete job;
    return score;
}

void FinishRating(Session* S, RatingJob* job) {
    if (!job) return;
    uint8_t rated[81], now[81];
    const int score = EndRatingJob(job, rated);
    if (S->AnalysisOptions.setupMode == 1) return; // a puzzle is being set up: no longer asked
    TakeDigits(S, now);
    if (std::memcmp(rated, now, sizeof now) != 0) {
        RateGame(S); // played on meanwhile: the rating asked for is the position's as it stands
        return;
    }
    char text[64];
    ShellMessageBox(S, RatingMessage(score, text, sizeof text));
}

void DropRatingJob(RatingJob* job) {
    uint8_t rated[81];
    if (job) EndRatingJob(job, rated);
}
