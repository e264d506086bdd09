// The statistics file: text lines of GameRecord fields, rewritten whole (it is small) through
// ReplaceFile, so a crash leaves the old file or the new one, never half of one.
#include "files/statistics.h"
#include "files/replacefile.h"
#include "files/settings.h"
#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

static std::string PathOverride;
static bool Overridden;

uint32_t PuzzleKey(const uint8_t* givens) {
    uint32_t h = 2166136261u;
    for (int i = 0; i < 81; i++) {
        h ^= givens[i];
        h *= 16777619u;
    }
    return h;
}

std::string StatisticsPath() {
    if (Overridden) return PathOverride;
    const std::string folder = ProgramFolder("XDG_DATA_HOME", ".local/share");
    return folder.empty() ? "" : folder + "/statistics.txt";
}

void SetStatisticsPath(const char* path) {
    Overridden = path != nullptr;
    PathOverride = path ? path : "";
}

int AddGame(StatisticsRecord* stats, const GameRecord& game) {
    if (stats->count == STATISTICS_RECORDS_MAX) {
        std::memmove(stats->games, stats->games + 1, sizeof(GameRecord) * (stats->count - 1));
        stats->count--;
    }
    stats->games[stats->count] = game;
    return stats->count++;
}

// One line as a record; false when it is not one.
static bool ReadRecord(const char* line, GameRecord* game) {
    int64_t started;
    unsigned puzzle;
    int level, seconds, solved, helped, used = 0;
    if (std::sscanf(line, "%" SCNd64 " %8x %d %d %d %d%n", &started, &puzzle, &level, &seconds,
                    &solved, &helped, &used) != 6)
        return false;
    if (line[used] != 0 && line[used] != '\n' && line[used] != '\r') return false;
    if (level < STATISTICS_UNRATED || level >= STATISTICS_LEVELS || seconds < 0 ||
        (solved | helped) & ~1)
        return false;
    *game = {started, uint32_t(puzzle), level, seconds, solved, helped};
    return true;
}

int LoadStatistics(StatisticsRecord* stats) {
    stats->count = 0;
    const std::string path = StatisticsPath();
    if (path.empty()) return -1;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return errno == ENOENT ? 0 : -1;
    char line[128];
    while (std::fgets(line, sizeof line, file)) {
        GameRecord game;
        if (ReadRecord(line, &game)) AddGame(stats, game);
    }
    const bool failed = std::ferror(file);
    std::fclose(file);
    return failed ? -1 : 1;
}

int SaveStatistics(const StatisticsRecord& stats) {
    const std::string path = StatisticsPath();
    if (path.empty()) return -1;
    std::string text = "# quadrivo statistics: started puzzle level seconds solved helped\n";
    char line[128];
    for (int i = 0; i < stats.count; i++) {
        const GameRecord& g = stats.games[i];
        std::snprintf(line, sizeof line, "%" PRId64 " %08x %d %d %d %d\n", g.started,
                      unsigned(g.puzzle), g.level, g.seconds, g.solved, g.helped);
        text += line;
    }
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    if (error) return ReportSaveError(path.c_str(), error.value());
    return ReplaceFile(path.c_str(), reinterpret_cast<const uint8_t*>(text.data()),
                       int(text.size()), FILE_MODE_PRIVATE);
}

void SummariseStatistics(const StatisticsRecord& stats, bool inPlay, StatisticsSummary* out) {
    *out = {};
    std::vector<int> times[STATISTICS_LEVELS];
    for (int i = 0; i < stats.count; i++) {
        const GameRecord& g = stats.games[i];
        out->played++;
        if (!g.solved || g.helped) continue;
        out->solved++;
        if (g.level >= 0 && g.level < STATISTICS_LEVELS) times[g.level].push_back(g.seconds);
    }
    int i = stats.count - 1;
    if (inPlay && i >= 0 && !stats.games[i].solved) i--; // the game in play
    while (i >= 0 && stats.games[i].solved && !stats.games[i].helped) {
        out->streak++;
        i--;
    }
    for (int level = 0; level < STATISTICS_LEVELS; level++) {
        std::vector<int>& t = times[level];
        if (t.empty()) continue;
        std::sort(t.begin(), t.end());
        LevelSummary& s = out->levels[level];
        s.solved = int(t.size());
        s.best = t.front();
        // The middle time; of two middles, their mean rounded down.
        s.median = (t[(t.size() - 1) / 2] + t[t.size() / 2]) / 2;
    }
}

int IsBestTime(const StatisticsRecord& stats, int index) {
    if (index < 0 || index >= stats.count) return 0;
    const GameRecord& g = stats.games[index];
    for (int i = 0; i < index; i++) {
        const GameRecord& o = stats.games[i];
        if (o.solved && !o.helped && o.level == g.level && o.seconds <= g.seconds) return 0;
    }
    return 1;
}
