// The player's record of games: one line per puzzle played (its first entry made), kept in
// $XDG_DATA_HOME/quadrivo/statistics.txt (else ~/.local/share/quadrivo/), and what the
// Statistics dialog shows from it: games played and solved, best and median time per level,
// the current streak.
#pragma once
#include <cstdint>
#include <string>

constexpr int STATISTICS_LEVELS = 6;         // Very Easy .. Fiendish (analysis/rating.h)
constexpr int STATISTICS_RECORDS_MAX = 4096; // the oldest games go past this many
constexpr int STATISTICS_UNRATED = -1;       // a level not known (logic cannot solve it)

// One game. A line of the file: "started puzzle level seconds solved helped", e.g.
// "1765000000 8f3a12bc 5 612 1 0".
struct GameRecord {
    int64_t started = 0;            // seconds since 1970 of its first entry
    uint32_t puzzle = 0;            // PuzzleKey of its givens
    int level = STATISTICS_UNRATED; // 0..5 once solved and rated
    int seconds = 0;                // playing time when solved
    int solved = 0;                 // 1: the grid was completed
    int helped = 0;                 // 1: "Solution", a hint or the step button was used on it
};

// Every game kept, oldest first. Large: make it with new.
struct StatisticsRecord {
    int count = 0;
    GameRecord games[STATISTICS_RECORDS_MAX];
};

struct LevelSummary {
    int solved = 0; // solved without help at this level
    int best = -1;  // seconds, -1 none
    int median = -1;
};
struct StatisticsSummary {
    int played = 0;
    int solved = 0; // without help
    int streak = 0; // games solved without help in a row, up to the newest finished one
    LevelSummary levels[STATISTICS_LEVELS];
};

// A key of 81 givens (0 empty): FNV-1a over the cells.
uint32_t PuzzleKey(const uint8_t* givens);

// $XDG_DATA_HOME/quadrivo/statistics.txt, else ~/.local/share/quadrivo/statistics.txt, "" when
// neither is known; SetStatisticsPath overrides it (tests), null goes back to the default.
std::string StatisticsPath();
void SetStatisticsPath(const char* path);

// Reads the file: 1 read, 0 absent (no games), -1 unreadable or nowhere to keep it. Lines that
// are not records are skipped; past STATISTICS_RECORDS_MAX the oldest are dropped.
int LoadStatistics(StatisticsRecord* stats);
// Writes the whole file through ReplaceFile (atomic), creating its folder: 1 written, 0 failed
// (LastSaveError), -1 nowhere to keep it.
int SaveStatistics(const StatisticsRecord& stats);
// Appends a game, dropping the oldest when full; returns its index.
int AddGame(StatisticsRecord* stats, const GameRecord& game);

// The summary. A newest game still unfinished (in play) neither counts toward nor breaks the
// streak when inPlay is set; any other unfinished or helped game breaks it.
void SummariseStatistics(const StatisticsRecord& stats, bool inPlay, StatisticsSummary* out);
// Whether a solved time at a level is the best of the games before index: 1 best (or first),
// 0 not.
int IsBestTime(const StatisticsRecord& stats, int index);
