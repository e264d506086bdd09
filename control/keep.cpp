// Games in progress, written to the state folder as they are played. The session knows the
// file its game is kept under (KeptName, empty until the first write) and a fingerprint of what
// was written last, so that only a change is written. A new puzzle (PuzzleSerial moves on) gets
// a new file; a game taken up from "Recent Games" goes on in its own.
#include "control/keep.h"
#include "control/session.h"
#include "control/stepview.h"
#include "files/gamestore.h"
#include "files/replacefile.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/verdicts.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

// FNV-1a over what a kept game holds, the clock left out (it is written when the game is left).
static uint64_t Fingerprint(const Session* S) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < size; i++) h = (h ^ p[i]) * 1099511628211ull;
    };
    const int moves = std::clamp(S->MoveEnd, 0, HISTORY_SLOTS - 1);
    mix(S->Board, sizeof S->Board);
    mix(S->MoveHistory, sizeof(MoveRecord) * size_t(moves));
    mix(&S->MovePos, sizeof S->MovePos);
    mix(&S->MoveEnd, sizeof S->MoveEnd);
    mix(S->MarkGrid, sizeof S->MarkGrid);
    mix(S->MarksAt, sizeof S->MarksAt[0] * size_t(moves + 1));
    mix(S->CurrentFile, std::strlen(S->CurrentFile));
    mix(&S->CollectionIndex, sizeof S->CollectionIndex);
    return h;
}

// Whether the player has done anything in this game yet.
static bool Touched(const Session* S) {
    if (S->MoveEnd > 0) return true;
    for (DigitMask m : S->MarkGrid)
        if (m) return true;
    return false;
}

// Writes the game if it changed (or, with clock, if only its clock did).
static void Keep(Session* S, bool clock) {
    if (S->AnalysisOptions.setupMode || S->PositionQuiet) return;
    if (S->PuzzleSerial != S->KeptSerial) { // another puzzle: another file
        S->KeptName[0] = 0;
        S->KeptSerial = S->PuzzleSerial;
    }
    if (!S->KeptName[0] && !Touched(S)) return;
    const uint64_t print = Fingerprint(S);
    if (S->KeptName[0] && print == S->KeptPrint && (!clock || S->GameClock == S->KeptClock)) return;
    const bool first = !S->KeptName[0];
    if (first) NewKeptGameName(S->KeptName);
    if (WriteKeptGame(S, S->KeptName) != 1) return; // tried again at the next change
    S->KeptPrint = print;
    S->KeptClock = S->GameClock;
    if (first) PruneKeptGames(KEPT_GAMES_MAX, S->KeptName);
}

void KeepPlaying(Session* S) {
    Keep(S, false);
}

void KeepBeforeReplacing(Session* S) {
    Keep(S, true);
}

// Shows the clock as it stands in pane 1, as a tick would.
static void ShowClock(const Session* S) {
    char text[16];
    std::snprintf(text, sizeof text, "%3d:%02d", int(S->GameClock / 60), int(S->GameClock % 60));
    ShellStatusText(S, PANE_CLOCK, text);
}

int ReopenKeptGame(Session* S, int k) {
    if (k < 0 || k >= S->RecentCount) return 0;
    const KeptGameInfo& entry = S->Recent[k];
    if (std::strcmp(entry.name, S->KeptName) == 0 && S->KeptSerial == S->PuzzleSerial)
        return 1; // the game in play: nothing to reopen
    // Read off screen first, so that a file that cannot be read leaves the game in play alone.
    std::unique_ptr<Game> probe(new Game);
    probe->PositionQuiet = 1;
    if (!ReadKeptGame(probe.get(), entry.name)) {
        ShellMessageBox(S, "That game could not be read; it is left as it is.");
        return 0;
    }
    KeepBeforeReplacing(S);
    if (S->AnalysisOptions.setupMode) {
        S->AnalysisOptions.setupMode = 0;
        ShellUpdateToggleButtons(S);
    }
    ReadKeptGame(S, entry.name);
    const uint32_t clock = S->GameClock;
    RefreshSession(S, {.check = true, .clock = true});
    S->GameClock = clock;
    ShowClock(S);
    RefreshPosition(S);
    if (S->MovePos > 0) ShowMoveText(S, S->MovePos - 1, S->MoveHistory[S->MovePos - 1] >> 8);
    std::memcpy(S->KeptName, entry.name, sizeof S->KeptName);
    S->KeptSerial = S->PuzzleSerial;
    S->KeptPrint = Fingerprint(S);
    S->KeptClock = S->GameClock;
    ShellSetTitle(S);
    return 1;
}

int ResumeKeptGame(Session* S) {
    if (S->AnalysisOptions.setupMode) return 0;
    static thread_local KeptGameInfo newest;
    if (ListKeptGames(&newest, 1) != 1) return 0;
    for (int i = 0; i < 81; i++) {
        const int given = (S->Board[i] & CELL_ENTERED) ? 0 : S->Board[i] & CELL_DIGIT;
        if (given != newest.givens[i]) return 0; // another puzzle is in play
    }
    std::unique_ptr<Game> probe(new Game);
    probe->PositionQuiet = 1;
    if (!ReadKeptGame(probe.get(), newest.name)) return 0;
    ReadKeptGame(S, newest.name);
    std::memcpy(S->KeptName, newest.name, sizeof S->KeptName);
    S->KeptSerial = S->PuzzleSerial;
    S->KeptPrint = Fingerprint(S);
    S->KeptClock = S->GameClock;
    return 1;
}

int RecentGameText(Session* S, int k, char* out, int size) {
    if (k == 0) S->RecentCount = ListKeptGames(S->Recent, KEPT_GAMES_MAX);
    if (k < 0 || k >= S->RecentCount || size <= 0) return 0;
    const KeptGameInfo& game = S->Recent[k];
    char puzzle[PATH_MAX];
    if (game.source[0]) {
        const char* slash = std::strrchr(game.source, '/');
        const char* name = slash ? slash + 1 : game.source;
        if (game.sourceIndex >= 0)
            std::snprintf(puzzle, sizeof puzzle, "%.40s #%d", name, game.sourceIndex + 1);
        else
            std::snprintf(puzzle, sizeof puzzle, "%.40s", name);
    } else { // the first two rows of the puzzle tell it apart
        for (int i = 0; i < 18; i++) puzzle[i] = char(game.givens[i] ? '0' + game.givens[i] : '.');
        std::snprintf(puzzle + 18, sizeof puzzle - 18, "...");
    }
    char when[32] = "";
    const std::time_t saved = std::time_t(game.saved);
    std::tm local{};
    if (localtime_r(&saved, &local)) std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
    std::snprintf(out, size_t(size), "%s   %d/81   %d:%02d   %s", puzzle, game.filled,
                  int(game.clock / 60), int(game.clock % 60), when);
    return 1;
}
