// The player's finders on hand-made candidate grids, one position per technique: each fires with
// exactly the removals (or placement) its pattern gives, derived from the pattern by hand, its
// record passes the checker, and a near miss (one candidate more, a strong link gone, a puzzle not
// known to be unique) finds nothing.
#include "analysis/player.h"
#include "tests/playerhand.h"
#include <cstring>
#include <string>

namespace {

// The mask of digit d, 0..8.
DigitMask Bit(int d) {
    return DigitMask(1u << d);
}

// A chain of single cells as "(7)r3c6=(5)r3c6-...", strong and weak links in turn.
std::string Chain(const PlayerStep& S, bool reversed) {
    std::string s;
    for (int k = 0; k < S.nodeCount; k++) {
        const PlayerNode& n = S.nodes[reversed ? S.nodeCount - 1 - k : k];
        if (k) s += k % 2 ? "=" : "-";
        s += "(" + std::to_string(n.digit + 1) + ")r" + std::to_string(n.cells[0] / 9 + 1) + "c" +
             std::to_string(n.cells[0] % 9 + 1);
        if (n.count != 1) s += "+";
    }
    return s;
}

void ExpectChain(const PlayerStep& S, const std::string& want) {
    EXPECT_TRUE(Chain(S, false) == want || Chain(S, true) == want) << Chain(S, false);
}

TEST(PlayerHand, SingleDigitPatterns) {
    PlayerStep S;
    // 2-string kite on 5: row 1 at c2 c7, column 1 at r3 r8, r1c2 and r3c1 share box 1; the ends
    // r1c7 and r8c1 both see r8c7.
    Hand k("5@r1:27 5@c1:38");
    S = Finds(k, TQ_TWO_STRING_KITE, "r8c7-5");
    EXPECT_EQ(k.Find(TQ_SKYSCRAPER, &S), 0);
    EXPECT_EQ(k.Find(TQ_TURBOT_FISH, &S), 0);
    Hand k2("5@r1:27 5@c1:48"); // column 1 at r4 r8: r1c2 and r4c1 meet in no box
    EXPECT_EQ(k2.Find(TQ_TWO_STRING_KITE, &S), 0);
    EXPECT_EQ(k2.Find(TQ_TURBOT_FISH, &S), 0);

    // Turbot fish on 3: box 1 at r1c1 r3c3, column 7 at r3 r8, r3c3 and r3c7 share row 3; the
    // ends r1c1 and r8c7 both see r8c1.
    Hand t("3@b1:19 3@c7:38");
    S = Finds(t, TQ_TURBOT_FISH, "r8c1-3");
    t.P.cand[Hand::Cell("r5c7")] = ALL_DIGITS; // a third 3 in column 7: no strong link
    EXPECT_EQ(t.Find(TQ_TURBOT_FISH, &S), 0);

    // Empty rectangle on 7: box 5 holds it on row 5 and column 5 only; column 8 at r2 r5. If r2c8
    // lacks 7, r5c8 has it, so column 5 of the box does: r2c5 loses 7 either way.
    Hand e("7@b5:24568 7@c8:25");
    S = Finds(e, TQ_EMPTY_RECTANGLE, "r2c5-7");
    e.P.cand[Hand::Cell("r4c4")] = ALL_DIGITS; // the box's 7 off the cross
    EXPECT_EQ(e.Find(TQ_EMPTY_RECTANGLE, &S), 0);
}

TEST(PlayerHand, Wings) {
    PlayerStep S;
    // W-wing: r1c1 and r9c8 both {1,2}, 1 in column 5 only at r1c5 (sees r1c1) and r9c5 (sees
    // r9c8): one of the pair is 2, so r1c8 and r9c1 lose 2.
    Hand w("r1c1:12 r9c8:12 1@c5:19");
    S = Finds(w, TQ_W_WING, "r1c8-2 r9c1-2");
    w.P.cand[Hand::Cell("r5c5")] = ALL_DIGITS; // column 5 no longer a strong link on 1
    EXPECT_EQ(w.Find(TQ_W_WING, &S), 0);

    // Remote pair {4,8}: r1c1 - r1c5 - r5c5 - r5c9, the ends hold both digits between them, so
    // r1c9 and r5c1 (seeing both ends) lose 4 and 8.
    Hand r("r1c1:48 r1c5:48 r5c5:48 r5c9:48");
    ASSERT_EQ(r.Find(TQ_REMOTE_PAIR, &S), 1);
    EXPECT_EQ(Removals(S), "r1c9-48 r5c1-48");
    EXPECT_EQ(S.nodeCount, 8);
    ExpectChecked(r, S);
    r.Set("r5c9", "489"); // three cells: the ends are the same digit, no removal
    EXPECT_EQ(r.Find(TQ_REMOTE_PAIR, &S), 0);

    // WXYZ-wing: r1c1 {1,2,3,4} with r1c5 {1,4}, r2c2 {2,4}, r3c3 {3,4}; without 4 the four
    // cells need 1,2,3 only: r1c2 and r1c3, seeing every 4, lose it.
    Hand q("r1c1:1234 r1c5:14 r2c2:24 r3c3:34");
    S = Finds(q, TQ_WXYZ_WING, "r1c2-4 r1c3-4");
    q.Set("r1c5", "145"); // five digits in four cells
    EXPECT_EQ(q.Find(TQ_WXYZ_WING, &S), 0);
}

// The rectangle r1c1 r1c4 / r2c1 r2c4 on {4,9} in boxes 1 and 2, each type on its own grid.
TEST(PlayerHand, Uniqueness) {
    PlayerStep S;
    // Type 2: both roofs in row 2 add 5; one of them is 5, the rest of row 2 loses it.
    Hand h2("r1c1:49 r1c4:49 r2c1:459 r2c4:459");
    S = Finds(h2, TQ_UNIQUE_RECTANGLE, "r2c2-5 r2c3-5 r2c5-5 r2c6-5 r2c7-5 r2c8-5 r2c9-5");
    EXPECT_EQ(S.variant, 2);
    h2.Set("r2c4", "469"); // the roofs add different digits
    EXPECT_EQ(h2.Find(TQ_UNIQUE_RECTANGLE, &S), 0);

    // Type 3: the roofs add 5 and 6, r2c7 {5,6} makes a pair with them in row 2.
    Hand h3("r1c1:49 r1c4:49 r2c1:459 r2c4:469");
    h3.Set("r2c7", "56");
    S = Finds(h3, TQ_UNIQUE_RECTANGLE, "r2c2-56 r2c3-56 r2c5-56 r2c6-56 r2c8-56 r2c9-56");
    EXPECT_EQ(S.variant, 3);
    h3.Set("r2c7", "567");
    EXPECT_EQ(h3.Find(TQ_UNIQUE_RECTANGLE, &S), 0);

    // Type 4: row 2 holds 4 only at the roofs, so one of them is 4 and neither may be 9.
    Hand h4("r1c1:49 r1c4:49 r2c1:459 r2c4:469 4@r2:14");
    S = Finds(h4, TQ_UNIQUE_RECTANGLE, "r2c1-9 r2c4-9");
    EXPECT_EQ(S.variant, 4);
    h4.P.cand[Hand::Cell("r2c7")] = ALL_DIGITS; // a third 4 in row 2
    EXPECT_EQ(h4.Find(TQ_UNIQUE_RECTANGLE, &S), 0);

    // Type 5: diagonal roofs r1c4 r2c1 add 5; what sees both loses 5.
    Hand h5("r1c1:49 r1c4:459 r2c1:459 r2c4:49");
    S = Finds(h5, TQ_UNIQUE_RECTANGLE, "r1c2-5 r1c3-5 r2c5-5 r2c6-5");
    EXPECT_EQ(S.variant, 5);
    h5.Set("r2c1", "4569");
    EXPECT_EQ(h5.Find(TQ_UNIQUE_RECTANGLE, &S), 0);

    // Type 6: diagonal roofs, 4 only at the corners in rows 1, 2 and columns 1, 4: a roof with 4
    // forces the deadly pattern, so both roofs lose 4.
    Hand h6("r1c1:49 r1c4:459 r2c1:469 r2c4:49 4@r1:14 4@r2:14 4@c1:12 4@c4:12");
    S = Finds(h6, TQ_UNIQUE_RECTANGLE, "r1c4-4 r2c1-4");
    EXPECT_EQ(S.variant, 6);
    h6.P.cand[Hand::Cell("r1c7")] = ALL_DIGITS; // row 1 holds 4 once more
    EXPECT_EQ(h6.Find(TQ_UNIQUE_RECTANGLE, &S), 0);

    // Hidden rectangle: r1c1 {4,9} alone, row 2 and column 4 hold 4 only at corners: r2c4 = 9
    // would force the deadly pattern, so r2c4 loses 9.
    Hand h7("r1c1:49 r1c4:459 r2c1:469 r2c4:479 4@r2:14 4@c4:12");
    S = Finds(h7, TQ_UNIQUE_RECTANGLE, "r2c4-9");
    EXPECT_EQ(S.variant, 7);
    h7.P.cand[Hand::Cell("r5c4")] = ALL_DIGITS; // column 4 holds 4 once more
    EXPECT_EQ(h7.Find(TQ_UNIQUE_RECTANGLE, &S), 0);
    h7.P.cand[Hand::Cell("r5c4")] &= DigitMask(~Bit(3));
    h7.P.unique = false;
    EXPECT_EQ(h7.Find(TQ_UNIQUE_RECTANGLE, &S), 0);

    // BUG+1: two solutions G and G' (every digit moved one on) leave each cell {G, G'}, each
    // digit twice in every unit; r5c5 adds a third digit, which must go there.
    Hand b;
    for (int x = 0; x < 81; x++) {
        const int r = x / 9, c = x % 9, g = (r * 3 + r / 3 + c) % 9;
        b.P.cand[x] = DigitMask(Bit(g) | Bit((g + 1) % 9));
    }
    const int odd = Hand::Cell("r5c5");
    int third = 0;
    while (b.P.cand[odd] >> third & 1) third++;
    b.P.cand[odd] |= Bit(third);
    ASSERT_EQ(b.Find(TQ_BUG_PLUS_ONE, &S), 1);
    EXPECT_EQ(S.placed, odd);
    EXPECT_EQ(S.placedDigit, third + 1);
    ExpectChecked(b, S);
    b.P.unique = false;
    EXPECT_EQ(b.Find(TQ_BUG_PLUS_ONE, &S), 0);
    b.P.unique = true;
    b.Set("r9c9", "189"); // {8,9} and a second cell of three digits
    EXPECT_EQ(b.Find(TQ_BUG_PLUS_ONE, &S), 0);
}

TEST(PlayerHand, Fish) {
    PlayerStep S;
    // Swordfish on 2: rows 1, 5, 9 hold it only in columns 1, 4, 7 (c1 c4, c4 c7, c1 c7); the
    // columns keep 2 elsewhere only at r3c1 and r7c4, which lose it.
    Hand s("2@r1:14 2@r5:47 2@r9:17 2@c1:139 2@c4:157 2@c7:59");
    S = Finds(s, TQ_SWORDFISH, "r3c1-2 r7c4-2");
    EXPECT_EQ(s.Find(TQ_X_WING, &S), 0);
    s.P.cand[Hand::Cell("r5c8")] |= Bit(1); // row 5 spreads to a fourth column
    EXPECT_EQ(s.Find(TQ_SWORDFISH, &S), 0);

    // Jellyfish on 6: rows 1, 3, 5, 7 in columns 2, 4, 6, 8 (c2 c4, c4 c6, c6 c8, c8 c2); the
    // columns keep 6 elsewhere only at r9c2 and r9c6.
    Hand j("6@r1:24 6@r3:46 6@r5:68 6@r7:28 6@c2:179 6@c4:13 6@c6:359 6@c8:57");
    S = Finds(j, TQ_JELLYFISH, "r9c2-6 r9c6-6");
    EXPECT_EQ(j.Find(TQ_SWORDFISH, &S), 0);
    j.P.cand[Hand::Cell("r7c9")] |= Bit(5); // row 7 spreads to a fifth column
    EXPECT_EQ(j.Find(TQ_JELLYFISH, &S), 0);

    // Finned X-wing on 3: rows 2 and 8 in columns 2 and 7, r8c8 a fin in box 9: column 7 loses 3
    // where it meets the fin's box.
    Hand f("3@r2:27 3@r8:278");
    S = Finds(f, TQ_FINNED_X_WING, "r7c7-3 r9c7-3");
    EXPECT_EQ(S.variant, 0);
    EXPECT_EQ(f.Find(TQ_X_WING, &S), 0);
    // sashimi: r8c7 gone too; r1c8 r3c8 lack 3, so the fin r2c7 of the cover c2 c8 takes nothing
    f.Drop("r8c7", 3);
    f.Drop("r1c8", 3);
    f.Drop("r3c8", 3);
    S = Finds(f, TQ_FINNED_X_WING, "r7c7-3 r9c7-3");
    EXPECT_EQ(S.variant, 1);
    // Finned swordfish on 2: rows 1, 5, 9 in columns 1, 4, 7 as above, r9c8 a fin in box 9:
    // column 7 loses 2 in that box, at r7c7 and r8c7.
    Hand g("2@r1:14 2@r5:47 2@r9:178");
    S = Finds(g, TQ_FINNED_SWORDFISH, "r7c7-2 r8c7-2");
    EXPECT_EQ(g.Find(TQ_SWORDFISH, &S), 0);
    Hand n("3@r2:27 3@r8:257"); // the fin r8c5 in box 8, which no cover column crosses
    EXPECT_EQ(n.Find(TQ_FINNED_X_WING, &S), 0);
    n.Only(2, "r1:14 r5:47 r9:1578"); // fins r9c5 r9c8 in two boxes
    EXPECT_EQ(n.Find(TQ_FINNED_SWORDFISH, &S), 0);
}

TEST(PlayerHand, Chains) {
    PlayerStep S;
    // X-chain on 1: r1c1=r1c5-r4c5=r4c8-r7c8=r7c3 (rows 1, 4, 7 strong); the ends see r2c3 r3c3
    // (box 1, column 3) and r8c1 r9c1 (column 1, box 7). No shorter chain removes anything.
    Hand x("1@r1:15 1@r4:58 1@r7:38");
    S = Finds(x, TQ_X_CHAIN, "r2c3-1 r3c3-1 r8c1-1 r9c1-1");
    EXPECT_EQ(S.loop, 0);
    ExpectChain(S, "(1)r1c1=(1)r1c5-(1)r4c5=(1)r4c8-(1)r7c8=(1)r7c3");
    x.P.cand[Hand::Cell("r4c2")] |= Bit(0); // row 4 no longer a strong link
    EXPECT_EQ(x.Find(TQ_X_CHAIN, &S), 0);

    // XY-chain {1,2} {2,3} {3,4} {4,1} from r1c1 to r5c9: one end is 1, so r1c9 and r5c1 lose 1.
    Hand y("r1c1:12 r1c5:23 r5c5:34 r5c9:14");
    S = Finds(y, TQ_XY_CHAIN, "r1c9-1 r5c1-1");
    ExpectChain(S, "(1)r1c1=(2)r1c1-(2)r1c5=(3)r1c5-(3)r5c5=(4)r5c5-(4)r5c9=(1)r5c9");
    y.Set("r5c5", "347");
    EXPECT_EQ(y.Find(TQ_XY_CHAIN, &S), 0);

    // AIC over cells and a row: (7)r9c1=(5)r9c1-(5)r1c1=(5)r1c6-(5)r3c6=(7)r3c6, r9c1 and r3c6
    // {5,7}, row 1 holding 5 only at c1 c6. One end is 7: r3c1 and r9c6 lose it. The shorter
    // pieces (three links) end on digits nothing sees together.
    Hand a("r9c1:57 r3c6:57 5@r1:16");
    S = Finds(a, TQ_AIC, "r3c1-7 r9c6-7");
    EXPECT_EQ(S.nodeCount, 6);
    ExpectChain(S, "(7)r9c1=(5)r9c1-(5)r1c1=(5)r1c6-(5)r3c6=(7)r3c6");
    a.Set("r3c6", "578"); // no strong link inside r3c6
    EXPECT_EQ(a.Find(TQ_AIC, &S), 0);
}

TEST(PlayerHand, AlmostLockedSets) {
    PlayerStep S;
    // ALS-XZ: A = r1c1 {1,2}, B = r1c7 {1,4} r2c8 {3,4} r3c9 {2,3} in box 3, restricted by 1
    // (r1c1, r1c7 in row 1). One holds 2 at r1c1 or r3c9: r1c8 r1c9 r3c1 r3c2 r3c3 lose it.
    Hand z("r1c1:12 r1c7:14 r2c8:34 r3c9:23");
    S = Finds(z, TQ_ALS_XZ, "r1c8-2 r1c9-2 r3c1-2 r3c2-2 r3c3-2");
    z.Set("r1c1", "125"); // A is no longer almost locked
    EXPECT_EQ(z.Find(TQ_ALS_XZ, &S), 0);

    // ALS-XY-wing: pivot C = r5c5 {1,2}; A = r5c1 {1,4} r6c2 {3,4} (x = 1 in row 5), B = r1c5
    // {2,3} (y = 2 in column 5). A's 3 at r6c2 or B's at r1c5: r1c2 and r6c5 lose 3.
    Hand w("r5c5:12 r5c1:14 r6c2:34 r1c5:23");
    S = Finds(w, TQ_ALS_XY_WING, "r1c2-3 r6c5-3");
    w.Set("r1c5", "235");
    EXPECT_EQ(w.Find(TQ_ALS_XY_WING, &S), 0);

    // ALS chain: r1c1 {1,2} -2- r1c5 {2,6} r2c5 {3,6} -3- r2c9 {3,4} -4- r5c9 {1,4}: if r1c1 is
    // not 1, each set locks the next and r5c9 is 1, so r1c9 and r5c1 lose 1.
    Hand c("r1c1:12 r1c5:26 r2c5:36 r2c9:34 r5c9:14");
    S = Finds(c, TQ_ALS_CHAIN, "r1c9-1 r5c1-1");
    EXPECT_EQ(S.setCount, 4);
    c.Set("r5c9", "147");
    EXPECT_EQ(c.Find(TQ_ALS_CHAIN, &S), 0);
    // The same chain through r5c5 {3,4}: the search first meets r5c9 by 4 from the set
    // r1c5 r2c5 r5c5, three sets only; the four-set way there must still be tried.
    Hand k("r1c1:12 r1c5:26 r2c5:36 r5c5:34 r5c9:14");
    S = Finds(k, TQ_ALS_CHAIN, "r1c9-1 r5c1-1");
    EXPECT_EQ(S.setCount, 4);

    // Death blossom: stem r5c5 {1,2,4}; petals r5c1 {1,3} for 1, r1c5 {2,3} for 2, r6c1 {3,7}
    // r6c6 {4,7} for 4. Every petal then holds 3 at r5c1, r1c5 or r6c1: r1c1 sees all three.
    Hand d("r5c5:124 r5c1:13 r1c5:23 r6c1:37 r6c6:47");
    S = Finds(d, TQ_DEATH_BLOSSOM, "r1c1-3");
    EXPECT_EQ(S.assumedCell, Hand::Cell("r5c5"));
    d.Set("r6c1", "378"); // the petal for 4 no longer holds 3
    EXPECT_EQ(d.Find(TQ_DEATH_BLOSSOM, &S), 0);
}

TEST(PlayerHand, Forcing) {
    PlayerStep S;
    // Forcing chain: r1c2 r1c3 {1,3}, r1c1 {1,2}; 1 at r1c1 leaves r1c2 3 and r1c3 nothing.
    Hand f("r1c1:12 r1c2:13 r1c3:13");
    S = Finds(f, TQ_FORCING_CHAIN, "r1c1-1");
    EXPECT_EQ(S.assumedCell, Hand::Cell("r1c1"));
    EXPECT_EQ(S.assumedDigit, 1);
    EXPECT_EQ(S.implicationCount, 1);
    f.Set("r1c3", "135"); // r1c3 takes 5: no contradiction anywhere
    EXPECT_EQ(f.Find(TQ_FORCING_CHAIN, &S), 0);

    // Cell forcing on r1c1 {1,2} with r1c2 {1,3}, r2c1 {2,3}, r2c2 {3,4}: 1 makes r1c2 3, 2 makes
    // r2c1 3; either way r2c2 is 4.
    Hand c("r1c1:12 r1c2:13 r2c1:23 r2c2:34");
    ASSERT_EQ(c.Find(TQ_CELL_FORCING, &S), 1);
    EXPECT_EQ(S.branchCount, 2);
    EXPECT_EQ(S.branchCell[0], Hand::Cell("r1c1"));
    EXPECT_EQ(S.placed, Hand::Cell("r2c2"));
    EXPECT_EQ(S.placedDigit, 4);
    ExpectChecked(c, S);
    c.Set("r2c1", "25"); // 2 no longer leads to r2c2
    EXPECT_EQ(c.Find(TQ_CELL_FORCING, &S), 0);

    // Unit forcing on 5 in row 1 (r1c1 {5,6}, r1c5 {5,7}; r2c2 {6,9}, r2c4 {7,9}): 5 at r1c1 gives
    // r1c5 7, r2c4 9, r2c2 6; 5 at r1c5 gives r1c1 6, r2c2 9, r2c4 7. Both put 6 in box 1 off
    // r1c2, so r1c2, the first cell losing a digit in both, loses 6.
    Hand u("r1c1:56 r1c5:57 r2c2:69 r2c4:79 5@r1:15");
    S = Finds(u, TQ_UNIT_FORCING, "r1c2-6");
    EXPECT_EQ(S.forcingUnit, 0);
    EXPECT_EQ(S.branchCount, 2);
    EXPECT_EQ(S.placed, -1);
    u.Set("r2c4", "789"); // the second branch stops at r2c4 {7,8}
    EXPECT_EQ(u.Find(TQ_UNIT_FORCING, &S), 0);
}

} // namespace
