// Command "Rate Puzzle", and the rating job the window runs it on: a rater with its own copy of
// the position on a thread, so the board stays in play while it works. Both ratings are given:
// the classic score and the player's (the hardest step of the player's order).
#include "control/rate.h"
#include "analysis/rating.h"
#include "control/session.h"
#include "model/board.h"
#include "model/hooks.h"
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

struct RatingJob {
    Rater rater;
    uint8_t digits[81];       // the position rated
    int score = 0;            // written by the job's thread, read after it is joined
    PlayerResult player = {}; // the same
    std::thread thread;
};

static void TakeDigits(const Game* G, uint8_t* digits) {
    for (int i = 0; i < 81; i++) digits[i] = G->Board[i] & CELL_DIGIT;
}

// The player's rating of a position: the uniqueness techniques only when its solutions,
// counted first, are one.
static PlayerResult RatePlayer(const uint8_t* digits) {
    return PlayerSolve(digits, ORDER_RATING, -1, nullptr, nullptr);
}

const char* BothRatingsMessage(int score, const PlayerResult& player, char* text, size_t size) {
    char classic[64], order[96];
    RatingMessage(score, classic, sizeof classic);
    if (player.solved && player.steps == 0) // a full grid: no step to rate by
        std::snprintf(order, sizeof order, "nothing left to solve");
    else
        PlayerRatingMessage(player, order, sizeof order);
    std::snprintf(text, size, "%s\nPlayer's rating: %s", classic, order);
    return text;
}

// The game is left as it is (marks, clock, position): the rating only announces its message.
void RateGame(Session* S) {
    if (ShellStartRating(S)) return;
    uint8_t digits[81];
    TakeDigits(S, digits);
    ShellBusyCursor(S, true);
    auto rater = std::make_unique<Rater>(); // large: not on the stack
    const int score = RatePosition(rater.get(), S, nullptr, nullptr);
    const PlayerResult player = RatePlayer(digits);
    ShellBusyCursor(S, false);
    char text[RATING_TEXT_SIZE];
    ShellMessageBox(S, BothRatingsMessage(score, player, text, sizeof text));
}

RatingJob* StartRatingJob(const Game* G, void (*done)(void* context), void* context) {
    RatingJob* job = new RatingJob;
    TakeDigits(G, job->digits);
    StartRating(&job->rater, G); // the copy, taken while G holds still
    job->thread = std::thread([job, done, context] {
        job->score = RunRating(&job->rater, nullptr, nullptr);
        job->player = RatePlayer(job->digits);
        if (done) done(context);
    });
    return job;
}

// Waits for the job and frees it; its classic score, the player's rating in *player.
static int EndRatingJob(RatingJob* job, uint8_t* digits, PlayerResult* player) {
    job->thread.join();
    std::memcpy(digits, job->digits, sizeof job->digits);
    const int score = job->score;
    *player = job->player;
    delete job;
    return score;
}

void FinishRating(Session* S, RatingJob* job) {
    if (!job) return;
    uint8_t rated[81], now[81];
    PlayerResult player;
    const int score = EndRatingJob(job, rated, &player);
    if (S->AnalysisOptions.setupMode == 1) return; // a puzzle is being set up: no longer asked
    TakeDigits(S, now);
    if (std::memcmp(rated, now, sizeof now) != 0) {
        RateGame(S); // played on meanwhile: the rating asked for is the position's as it stands
        return;
    }
    char text[RATING_TEXT_SIZE];
    ShellMessageBox(S, BothRatingsMessage(score, player, text, sizeof text));
}

void DropRatingJob(RatingJob* job) {
    uint8_t rated[81];
    PlayerResult player;
    if (job) EndRatingJob(job, rated, &player);
}
