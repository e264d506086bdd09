// The player's order against the handheld's engine: before every chain, almost-locked-set or
// forcing step of the player's path, the handheld's subsets, locked candidates and fish are
// asked on the same candidates. A step they find there is a simpler technique the player's
// order passed over. Prints the counts for a puzzle file (the first N puzzles when given).
//   player_audit FILE [N]
#include "analysis/analysis.h"
#include "analysis/driver.h"
#include "analysis/player.h"
#include "analysis/steptext.h"
#include "control/session.h"
#include "model/board.h"
#include "model/options.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

namespace {
struct Audit {
    Session* S;
    std::string puzzle;
    int late = 0, simpler = 0;
    bool flagged = false;
};

bool AskHandheld(void* context, const PlayerGrid* P, const PlayerStep& step) {
    Audit& a = *static_cast<Audit*>(context);
    if (step.technique < TQ_X_CHAIN) return true;
    a.late++;
    Session* S = a.S;
    ResetGame(S);
    for (int i = 0; i < 81; i++) S->Board[i] = P->board[i];
    ResetPosition(S);
    std::memcpy(S->MarkGrid, P->cand, sizeof S->MarkGrid);
    S->AnalysisOptions.showCandidates = 0;
    S->AnalysisOptions.pencilMarks = 1;
    S->AnalysisOptions.techniques = TECH_ANALYSIS | TECH_SUBSETS | TECH_LOCKED | TECH_GRID;
    S->A->AlsChainLinks = 0;
    const int kind = RunAnalysis(S->A);
    if (kind == STEP_NONE) return true;
    a.simpler++;
    a.flagged = true;
    char handheld[STEP_TEXT_SIZE], player[STEP_TEXT_SIZE];
    DescribeStep(S->A, kind, handheld, sizeof handheld);
    DescribePlayerStep(step, player, sizeof player);
    std::printf("%s\n  handheld: %s\n  player:   %s\n", a.puzzle.c_str(), handheld, player);
    return true;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: player_audit FILE [N]\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    const long max = argc > 2 ? std::atol(argv[2]) : 0;
    auto session = std::make_unique<Session>();
    Audit a;
    a.S = session.get();
    std::string line;
    long puzzles = 0, flaggedPuzzles = 0;
    while ((!max || puzzles < max) && std::getline(in, line)) {
        if (line.size() < 81) continue;
        puzzles++;
        uint8_t cells[81];
        for (int i = 0; i < 81; i++)
            cells[i] = line[i] >= '1' && line[i] <= '9' ? line[i] - '0' : 0;
        a.puzzle = line.substr(0, 81);
        a.flagged = false;
        PlayerSolve(cells, ORDER_PLAYER, -1, AskHandheld, &a);
        flaggedPuzzles += a.flagged;
    }
    std::printf("%ld puzzles: %d chain, ALS or forcing steps; before %d of them (in %ld puzzles) "
                "the handheld's subsets, locked candidates or fish found a step\n",
                puzzles, a.late, a.simpler, flaggedPuzzles);
    return 0;
}
