// The player's order: hand-made candidate grids where each technique fires (with exactly the
// removals its pattern gives) and a near miss where it must not, records the checker refuses,
// and whole solves of data samples where every step agrees with the unique solution and passes
// its checker, with the rating's levels following the hardest step.
#include "analysis/player.h"
#include "analysis/steptext.h"
#include "exactcover/count.h"
#include "tests/playerhand.h"
#include "tests/support.h"
#include <cstring>
#include <string>

namespace {

TEST(Player, NakedPairInABoxOnly) {
    Hand h("r1c1:37 r2c2:37");
    PlayerStep S;
    S = Finds(h, TQ_NAKED_PAIR, "r1c2-37 r1c3-37 r2c1-37 r2c3-37 r3c1-37 r3c2-37 r3c3-37");
    EXPECT_EQ(S.units[0], BoxUnit(0));
    h.Set("r2c2", "378");
    EXPECT_EQ(h.Find(TQ_NAKED_PAIR, &S), 0);
}

TEST(Player, Wings) {
    Hand h("r1c1:12 r1c5:13 r4c1:23"); // pivot r1c1
    PlayerStep S;
    S = Finds(h, TQ_XY_WING, "r4c5-3");
    EXPECT_EQ(h.Find(TQ_XYZ_WING, &S), 0);
    h.Set("r4c1", "24");
    EXPECT_EQ(h.Find(TQ_XY_WING, &S), 0);

    Hand z("r1c1:123 r1c5:13 r2c2:23"); // pivot r1c1
    S = Finds(z, TQ_XYZ_WING, "r1c2-3 r1c3-3");
    z.Set("r1c5", "14");
    EXPECT_EQ(z.Find(TQ_XYZ_WING, &S), 0);
}

// Digit 5 only twice in columns 1 and 5, the tops in one row: the bottoms see the removals.
TEST(Player, SkyscraperAndItsNearMiss) {
    Hand h("5@c1:17 5@c5:18");
    PlayerStep S;
    S = Finds(h, TQ_SKYSCRAPER, "r7c4-5 r7c6-5 r8c2-5 r8c3-5");
    EXPECT_EQ(h.Find(TQ_TWO_STRING_KITE, &S), 0);
    // bottoms in one row: an X-wing, no skyscraper
    h.Set("r8c5", "1234");
    h.Set("r7c5", "12345");
    EXPECT_EQ(h.Find(TQ_SKYSCRAPER, &S), 0);
    EXPECT_EQ(h.Find(TQ_X_WING, &S), 1);
}

// The rectangle r1c1 r1c4 r2c1 r2c4 in boxes 1 and 2 on 4 and 9: the fourth corner loses both,
// but only when the puzzle is known to have one solution.
TEST(Player, UniqueRectangleOnlyOnAUniquePuzzle) {
    Hand h("r1c1:49 r1c4:49 r2c1:49 r2c4:459");
    PlayerStep S;
    S = Finds(h, TQ_UNIQUE_RECTANGLE, "r2c4-49");
    EXPECT_EQ(S.variant, 1);
    h.P.unique = false;
    EXPECT_EQ(h.Find(TQ_UNIQUE_RECTANGLE, &S), 0);
    char why[256];
    EXPECT_NE(CheckPlayerStep(&h.P, S, why, sizeof why), 0);
}

// Digit 1 only twice in rows 1 and 4, at columns 1 and 4: the loop r1c1=r1c4-r4c4=r4c1-r1c1
// takes 1 from every other cell of columns 1 and 4 at once, and is the shortest chain there,
// though row 7 adds longer ones.
TEST(Player, NiceLoopRemovesEverythingAtOnce) {
    Hand h("1@r1:14 1@r4:14 1@r7:17");
    PlayerStep S;
    ASSERT_EQ(h.Find(TQ_X_CHAIN, &S), 1);
    EXPECT_EQ(S.loop, 1);
    EXPECT_EQ(S.nodeCount, 4);
    EXPECT_EQ(Removals(S), "r2c1-1 r2c4-1 r3c1-1 r3c4-1 r5c1-1 r5c4-1 r6c1-1 r6c4-1 r7c1-1 r8c1-1 "
                           "r8c4-1 r9c1-1 r9c4-1");
    ExpectChecked(h, S);
}

// r1c1 r1c2 hold 1-4 where box 1 meets row 1; r1c5 {1,2} takes two of them to the row, r2c1
// {3,4} the other two to the box.
TEST(Player, SueDeCoq) {
    Hand h("r1c1:1234 r1c2:1234 r1c5:12 r2c1:34");
    PlayerStep S;
    ASSERT_EQ(h.Find(TQ_SUE_DE_COQ, &S), 1);
    EXPECT_EQ(Removals(S), "r1c3-1234 r1c4-12 r1c6-12 r1c7-12 r1c8-12 r1c9-12 r2c2-34 r2c3-34 "
                           "r3c1-34 r3c2-34 r3c3-34");
    ExpectChecked(h, S);
    h.Set("r2c1", "35");
    EXPECT_EQ(h.Find(TQ_SUE_DE_COQ, &S), 0);
}

// Every technique has a finder, a text writer and a checker. A record given the technique of a
// row with another checker is refused though its removals hold: an XY-wing is no skyscraper;
// and a record that claims more than its pattern gives is refused.
TEST(Player, EveryRowFindsWritesAndChecksItsShape) {
    for (int t = TQ_NONE + 1; t < TQ_COUNT; t++) {
        const TechniqueRow& row = TECHNIQUE_TABLE[t];
        EXPECT_EQ(row.technique, t);
        EXPECT_TRUE(row.find && row.write && row.check) << row.name;
    }
    Hand h("r1c1:12 r1c5:13 r4c1:23");
    PlayerStep S;
    ASSERT_EQ(h.Find(TQ_XY_WING, &S), 1);
    char why[256];
    for (int t = TQ_NONE + 1; t < TQ_COUNT; t++) {
        if (TECHNIQUE_TABLE[t].check == TECHNIQUE_TABLE[TQ_XY_WING].check) continue;
        PlayerStep relabelled = S;
        relabelled.technique = t;
        EXPECT_NE(CheckPlayerStep(&h.P, relabelled, why, sizeof why), 0) << TECHNIQUE_TABLE[t].name;
    }
    PlayerStep skyscraper = S;
    skyscraper.technique = TQ_SKYSCRAPER;
    EXPECT_NE(CheckPlayerStep(&h.P, skyscraper, why, sizeof why), 0);
    EXPECT_STREQ(why, "a chain step without its chain");
    PlayerStep more = S;
    more.remove[Hand::Cell("r4c6")] = 1u << 2; // 3 from a cell that does not see r1c5
    more.removalCount++;
    EXPECT_NE(CheckPlayerStep(&h.P, more, why, sizeof why), 0);
    PlayerStep single = S;
    single.technique = TQ_NAKED_SINGLE;
    single.placed = Hand::Cell("r1c1");
    single.placedDigit = 1;
    EXPECT_NE(CheckPlayerStep(&h.P, single, why, sizeof why), 0);
}

struct SolveWatch {
    uint8_t solution[81];
    std::vector<std::string> faults;
    int maxLevel = 0, maxRating = 0;
    bool onlyHiddenSingles = true;
};

bool WatchSolve(void* context, const PlayerGrid* P, const PlayerStep& S) {
    SolveWatch& w = *static_cast<SolveWatch*>(context);
    char text[2048], why[256];
    DescribePlayerStep(S, text, sizeof text);
    if (S.placed >= 0 && S.placedDigit != w.solution[S.placed]) w.faults.push_back(text);
    for (int x = 0; x < 81; x++)
        if (!P->board[x] && (S.remove[x] >> (w.solution[x] - 1) & 1)) w.faults.push_back(text);
    if (CheckPlayerStep(P, S, why, sizeof why)) w.faults.push_back(std::string(text) + ": " + why);
    char conclusion[2048], first[2048 + 8];
    DescribePlayerConclusion(S, conclusion, sizeof conclusion);
    if (!conclusion[0] ||
        ConclusionFirst(text, conclusion, first, sizeof first) > int(strlen(text)))
        w.faults.push_back(std::string(text) + ": its conclusion is not stated as written");
    w.maxLevel = std::max(w.maxLevel, TECHNIQUE_TABLE[S.technique].level);
    w.maxRating = std::max(w.maxRating, S.rating);
    w.onlyHiddenSingles = w.onlyHiddenSingles &&
                          (S.technique == TQ_HIDDEN_SINGLE_BOX ||
                           S.technique == TQ_HIDDEN_SINGLE_LINE || S.technique == TQ_FULL_HOUSE);
    return true;
}

// Both orders over samples of the data sets: every step agrees with the solution and its
// checker, the puzzle is solved, and the rating's result is the hardest step and level.
TEST(Player, SolvesAgreeWithTheSolution) {
    SKIP_WITHOUT_DATA("generated_minimal_10k.txt");
    std::vector<std::string> puzzles = ReadPuzzleLines("generated_minimal_10k.txt", 120);
    for (const std::string& p : ReadPuzzleLines("puzzles3_magictour_top1465.txt", 30))
        puzzles.push_back(p);
    int easyByHiddenSingles = 0;
    for (const std::string& text : puzzles) {
        uint8_t cells[81];
        for (int x = 0; x < 81; x++)
            cells[x] = text[x] >= '1' && text[x] <= '9' ? text[x] - '0' : 0;
        for (int order : {ORDER_PLAYER, ORDER_RATING}) {
            SolveWatch w;
            ASSERT_EQ(CountSolutions(cells, 1, w.solution), 1) << text;
            const PlayerResult R = PlayerSolve(cells, order, 1, WatchSolve, &w);
            EXPECT_TRUE(w.faults.empty()) << text << "\n" << w.faults[0];
            if (order == ORDER_RATING && R.solved) {
                EXPECT_EQ(R.rating, w.maxRating) << text;
                EXPECT_EQ(R.level, w.maxLevel) << text;
                // singles alone: hidden singles rate it, though naked singles may be there
                if (w.onlyHiddenSingles) {
                    EXPECT_LE(R.rating, 15) << text;
                    easyByHiddenSingles++;
                }
            }
        }
    }
    EXPECT_GT(easyByHiddenSingles, 0);
}

struct FirstOf {
    PlayerGrid grid;
    PlayerStep forcing, grouped;
    bool haveForcing = false, haveGrouped = false;
};

bool KeepFirst(void* context, const PlayerGrid* P, const PlayerStep& S) {
    FirstOf& f = *static_cast<FirstOf*>(context);
    if (!f.haveForcing && S.technique == TQ_FORCING_CHAIN && S.implicationCount >= 2) {
        f.grid = *P;
        f.forcing = S;
        f.haveForcing = true;
    }
    for (int i = 0; i < S.nodeCount && !f.haveGrouped; i++)
        if (S.nodes[i].count > 1) {
            char why[256];
            EXPECT_EQ(CheckPlayerStep(P, S, why, sizeof why), 0) << why;
            f.haveGrouped = true;
        }
    return true;
}

// A forcing chain is replayed event by event: one left out or changed no longer breaks the
// grid. Grouped chains are met and pass their checker.
TEST(Player, ForcingChainsAreReplayedAndGroupsChecked) {
    SKIP_WITHOUT_DATA("puzzles3_magictour_top1465.txt");
    static FirstOf f;
    for (const std::string& text : ReadPuzzleLines("puzzles3_magictour_top1465.txt", 40)) {
        uint8_t cells[81];
        for (int x = 0; x < 81; x++)
            cells[x] = text[x] >= '1' && text[x] <= '9' ? text[x] - '0' : 0;
        PlayerSolve(cells, ORDER_PLAYER, 1, KeepFirst, &f);
        if (f.haveForcing && f.haveGrouped) break;
    }
    ASSERT_TRUE(f.haveForcing);
    EXPECT_TRUE(f.haveGrouped);
    char why[256];
    EXPECT_EQ(CheckPlayerStep(&f.grid, f.forcing, why, sizeof why), 0) << why;
    PlayerStep shorter = f.forcing;
    shorter.implicationCount--;
    EXPECT_NE(CheckPlayerStep(&f.grid, shorter, why, sizeof why), 0);
    // the first single made with a digit its cell does not hold
    PlayerStep changed = f.forcing;
    const int first = changed.implied[0];
    for (int v = 1; v <= 9; v++)
        if (!(f.grid.cand[first] >> (v - 1) & 1)) changed.impliedDigit[0] = uint8_t(v);
    ASSERT_NE(changed.impliedDigit[0], f.forcing.impliedDigit[0]);
    EXPECT_NE(CheckPlayerStep(&f.grid, changed, why, sizeof why), 0);
}

TEST(Player, RatingMessageAndNames) {
    PlayerResult R = {10, 42, TQ_XY_WING, 0, PLAYER_DIFFICULT, true};
    char text[96];
    EXPECT_STREQ(PlayerRatingMessage(R, text, sizeof text), "4.2 Difficult (XY-wing)");
    EXPECT_EQ(TechniqueByName("xy-wing"), TQ_XY_WING);
    EXPECT_EQ(TechniqueByName("Unique Rectangle"), TQ_UNIQUE_RECTANGLE);
    EXPECT_EQ(TechniqueByName("ur"), TQ_UNIQUE_RECTANGLE);
    EXPECT_EQ(TechniqueByName("2-string-kite"), TQ_TWO_STRING_KITE);
    EXPECT_EQ(TechniqueByName("no such"), TQ_NONE);
}

} // namespace
