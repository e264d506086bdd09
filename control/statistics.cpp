// The statistics watcher. It runs on every change of the position, but reads the file only when
// a new puzzle appears (to pick up a game left unfinished by an earlier run) and writes it only
// at a first entry, a help and a completion.
#include "control/statistics.h"
#include "analysis/rating.h"
#include "control/commands.h"
#include "control/session.h"
#include "files/statistics.h"
#include "model/board.h"
#include "model/game.h"
#include "model/options.h"
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

namespace {
void GivensOf(const Session* S, uint8_t* givens) {
    for (int i = 0; i < 81; i++)
        givens[i] = S->Board[i] & CELL_ENTERED ? 0 : uint8_t(S->Board[i] & CELL_DIGIT);
}

// The newest record of the puzzle not yet solved, or -1.
int OpenGame(const StatisticsRecord& stats, uint32_t puzzle) {
    for (int i = stats.count - 1; i >= 0; i--)
        if (stats.games[i].puzzle == puzzle) return stats.games[i].solved ? -1 : i;
    return -1;
}

// A new puzzle on the board: a game an earlier run left unfinished goes on; a grid already
// full (a solved game restored) is not counted again.
void NewPuzzle(Session* S, uint32_t puzzle) {
    PlayRecord& play = S->Play;
    play = {.watching = true, .known = true, .puzzle = puzzle};
    play.finished = CountFilled(S) == 81;
    S->VerdictNote[0] = 0; // the note was the last puzzle's
    auto stats = std::make_unique<StatisticsRecord>();
    LoadStatistics(stats.get());
    const int open = OpenGame(*stats, puzzle);
    if (open >= 0 && stats->count - 1 == open) {
        play.recorded = true;
        play.helped = stats->games[open].helped != 0;
    }
}

void Begin(Session* S) {
    auto stats = std::make_unique<StatisticsRecord>();
    if (LoadStatistics(stats.get()) < 0) return; // unreadable: left alone
    GameRecord game;
    game.started = int64_t(std::time(nullptr));
    game.puzzle = S->Play.puzzle;
    game.helped = S->Play.helped;
    AddGame(stats.get(), game);
    SaveStatistics(*stats);
    S->Play.recorded = true;
}

void Finish(Session* S, const uint8_t* givens) {
    PlayRecord& play = S->Play;
    play.finished = true;
    auto stats = std::make_unique<StatisticsRecord>();
    if (LoadStatistics(stats.get()) < 0) return;
    int index = OpenGame(*stats, play.puzzle);
    if (index < 0) { // solved without an entry recorded (its file was removed meanwhile)
        GameRecord game;
        game.started = int64_t(std::time(nullptr));
        game.puzzle = play.puzzle;
        index = AddGame(stats.get(), game);
    }
    GameRecord& game = stats->games[index];
    game.solved = 1;
    game.helped = game.helped || play.helped;
    game.seconds = int(S->GameClock);
    game.level = RateGivens(givens);
    SaveStatistics(*stats);

    char time[16];
    FormatPlayTime(game.seconds, time);
    const char* level = game.level >= 0 ? LevelName(game.level * 16) : "unrated";
    if (game.helped)
        std::snprintf(S->VerdictNote, sizeof S->VerdictNote,
                      "Time %s (%s), solved with help: not counted.", time, level);
    else if (IsBestTime(*stats, index))
        std::snprintf(S->VerdictNote, sizeof S->VerdictNote, "Time %s (%s): your best!", time,
                      level);
    else
        std::snprintf(S->VerdictNote, sizeof S->VerdictNote, "Time %s (%s).", time, level);
}

void Watch(void* context, PositionEvent event) {
    auto* S = static_cast<Session*>(context);
    if (event != PositionEvent::Changed || S->PositionQuiet || S->AnalysisOptions.setupMode) return;
    uint8_t givens[81];
    GivensOf(S, givens);
    const uint32_t puzzle = PuzzleKey(givens);
    if (!S->Play.known || S->Play.puzzle != puzzle) NewPuzzle(S, puzzle);
    if (S->Play.finished) return;
    if (!S->Play.recorded && S->MoveEnd > 0) Begin(S); // the first entry
    if (CountFilled(S) == 81) Finish(S, givens);
}
} // namespace

void StartStatistics(Session* S) {
    if (S->Play.watching) return;
    S->Play.watching = true;
    ObservePosition(S, Watch, S);
}

void NoteHelp(Session* S, int id) {
    if (!S->Play.watching || S->AnalysisOptions.setupMode) return;
    if (id != CMD_SOLUTION && id != CMD_HINT && id != CMD_STEP) return;
    if (S->Play.helped || S->Play.finished) return;
    S->Play.helped = true;
    if (!S->Play.recorded) return;
    auto stats = std::make_unique<StatisticsRecord>();
    if (LoadStatistics(stats.get()) < 0) return;
    const int index = OpenGame(*stats, S->Play.puzzle);
    if (index < 0) return;
    stats->games[index].helped = 1;
    SaveStatistics(*stats);
}

int RateGivens(const uint8_t* givens) {
    auto rater = std::make_unique<Rater>();
    auto game = std::make_unique<Game>();
    std::memcpy(game->Board, givens, 81);
    game->PositionQuiet = 1;
    const int score = RatePosition(rater.get(), game.get(), nullptr, nullptr);
    return score > 0 ? LevelIndex(score) : STATISTICS_UNRATED;
}

void FormatPlayTime(int seconds, char* text) {
    if (seconds >= 3600)
        std::snprintf(text, 16, "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    else
        std::snprintf(text, 16, "%d:%02d", seconds / 60, seconds % 60);
}
