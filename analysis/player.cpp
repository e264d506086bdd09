// The table of the player's techniques and what is built on it: the two orders over it, the
// solving loop and its rating, the step texts (a writer for each shape of record) and the hints.
// The table's rows follow the Technique enum; its order is the player's order, and the rating's
// order is the same rows sorted by their rating (ties in table order).
#include "analysis/player.h"
#include "analysis/playerfind.h"
#include "analysis/textline.h"
#include "exactcover/count.h"
#include "model/options.h"
#include <algorithm>
#include <cctype>
#include <cstring>

// The text writers of the table's rows (below, with the step texts).
static void WritePlacement(const PlayerStep& S, TextLine& line);
static void WriteUnitPattern(const PlayerStep& S, TextLine& line);
static void WriteCellPattern(const PlayerStep& S, TextLine& line);
static void WriteChainStep(const PlayerStep& S, TextLine& line);
static void WriteSets(const PlayerStep& S, TextLine& line);
static void WriteForcingChain(const PlayerStep& S, TextLine& line);
static void WriteForcingBranches(const PlayerStep& S, TextLine& line);

// Ratings in tenths of the published Sudoku Explainer scale; the techniques that scale does
// not list sit beside the ones they generalise (single-digit patterns among the fish, wings
// beside the XY-wing, finned fish after the uniqueness patterns).
const TechniqueRow TECHNIQUE_TABLE[TQ_COUNT] = {
    {TQ_NONE, "No step", 0, 0, nullptr, 0, 0, nullptr, nullptr},
    {TQ_FULL_HOUSE, "Full house", PLAYER_EASY, 10, FindFullHouse, 0, TECH_ANALYSIS, WritePlacement,
     CheckPlacement},
    {TQ_HIDDEN_SINGLE_BOX, "Hidden single", PLAYER_EASY, 12, FindHiddenSingle, 0, TECH_ANALYSIS,
     WritePlacement, CheckPlacement},
    {TQ_HIDDEN_SINGLE_LINE, "Hidden single", PLAYER_EASY, 15, FindHiddenSingle, 1, TECH_ANALYSIS,
     WritePlacement, CheckPlacement},
    {TQ_NAKED_SINGLE, "Naked single", PLAYER_EASY, 23, FindNakedSingle, 0, TECH_ANALYSIS,
     WritePlacement, CheckPlacement},
    {TQ_POINTING, "Pointing", PLAYER_MEDIUM, 26, FindLocked, 0, TECH_LOCKED, WriteUnitPattern,
     CheckPattern},
    {TQ_CLAIMING, "Claiming", PLAYER_MEDIUM, 28, FindLocked, 1, TECH_LOCKED, WriteUnitPattern,
     CheckPattern},
    {TQ_NAKED_PAIR, "Naked pair", PLAYER_MEDIUM, 30, FindNakedSubset, 2, TECH_SUBSETS,
     WriteUnitPattern, CheckPattern},
    {TQ_HIDDEN_PAIR, "Hidden pair", PLAYER_MEDIUM, 34, FindHiddenSubset, 2, TECH_SUBSETS,
     WriteUnitPattern, CheckPattern},
    {TQ_NAKED_TRIPLE, "Naked triple", PLAYER_MEDIUM, 36, FindNakedSubset, 3, TECH_SUBSETS,
     WriteUnitPattern, CheckPattern},
    {TQ_HIDDEN_TRIPLE, "Hidden triple", PLAYER_MEDIUM, 40, FindHiddenSubset, 3, TECH_SUBSETS,
     WriteUnitPattern, CheckPattern},
    {TQ_NAKED_QUAD, "Naked quad", PLAYER_MEDIUM, 50, FindNakedSubset, 4, TECH_SUBSETS,
     WriteUnitPattern, CheckPattern},
    {TQ_HIDDEN_QUAD, "Hidden quad", PLAYER_MEDIUM, 54, FindHiddenSubset, 4, TECH_SUBSETS,
     WriteUnitPattern, CheckPattern},
    {TQ_X_WING, "X-wing", PLAYER_DIFFICULT, 32, FindBasicFish, 2, TECH_GRID, WriteUnitPattern,
     CheckPattern},
    {TQ_SWORDFISH, "Swordfish", PLAYER_DIFFICULT, 38, FindBasicFish, 3, TECH_GRID, WriteUnitPattern,
     CheckPattern},
    {TQ_JELLYFISH, "Jellyfish", PLAYER_DIFFICULT, 52, FindBasicFish, 4, TECH_GRID, WriteUnitPattern,
     CheckPattern},
    {TQ_SKYSCRAPER, "Skyscraper", PLAYER_DIFFICULT, 40, FindTurbot, TQ_SKYSCRAPER, TECH_CHAINS,
     WriteChainStep, CheckChainStep},
    {TQ_TWO_STRING_KITE, "2-string kite", PLAYER_DIFFICULT, 41, FindTurbot, TQ_TWO_STRING_KITE,
     TECH_CHAINS, WriteChainStep, CheckChainStep},
    {TQ_TURBOT_FISH, "Turbot fish", PLAYER_DIFFICULT, 42, FindTurbot, TQ_TURBOT_FISH, TECH_CHAINS,
     WriteChainStep, CheckChainStep},
    {TQ_EMPTY_RECTANGLE, "Empty rectangle", PLAYER_DIFFICULT, 43, FindEmptyRectangle, 0,
     TECH_CHAINS, WriteCellPattern, CheckPattern},
    {TQ_XY_WING, "XY-wing", PLAYER_DIFFICULT, 42, FindXYWing, 0, TECH_CHAINS, WriteCellPattern,
     CheckPattern},
    {TQ_XYZ_WING, "XYZ-wing", PLAYER_DIFFICULT, 44, FindXYZWing, 0, TECH_CHAINS, WriteCellPattern,
     CheckPattern},
    {TQ_W_WING, "W-wing", PLAYER_DIFFICULT, 44, FindWWing, 0, TECH_CHAINS, WriteCellPattern,
     CheckPattern},
    {TQ_REMOTE_PAIR, "Remote pair", PLAYER_DIFFICULT, 45, FindRemotePair, 0, TECH_CHAINS,
     WriteChainStep, CheckChainStep},
    {TQ_UNIQUE_RECTANGLE, "Unique rectangle", PLAYER_VERY_DIFFICULT, 45, FindUniqueRectangle, 0,
     TECH_CHAINS, WriteCellPattern, CheckPattern},
    {TQ_BUG_PLUS_ONE, "BUG+1", PLAYER_VERY_DIFFICULT, 56, FindBugPlusOne, 0, TECH_CHAINS,
     WritePlacement, CheckPlacement},
    {TQ_FINNED_X_WING, "Finned X-wing", PLAYER_VERY_DIFFICULT, 47, FindFinnedFish, 2, TECH_GRID,
     WriteUnitPattern, CheckPattern},
    {TQ_FINNED_SWORDFISH, "Finned swordfish", PLAYER_VERY_DIFFICULT, 49, FindFinnedFish, 3,
     TECH_GRID, WriteUnitPattern, CheckPattern},
    {TQ_FINNED_JELLYFISH, "Finned jellyfish", PLAYER_VERY_DIFFICULT, 54, FindFinnedFish, 4,
     TECH_GRID, WriteUnitPattern, CheckPattern},
    {TQ_WXYZ_WING, "WXYZ-wing", PLAYER_VERY_DIFFICULT, 46, FindWXYZWing, 0, TECH_ALS,
     WriteCellPattern, CheckPattern},
    {TQ_SUE_DE_COQ, "Sue de Coq", PLAYER_VERY_DIFFICULT, 50, FindSueDeCoq, 0, TECH_ALS,
     WriteCellPattern, CheckPattern},
    {TQ_X_CHAIN, "X-chain", PLAYER_VERY_DIFFICULT, 65, FindChain, TQ_X_CHAIN, TECH_CHAINS,
     WriteChainStep, CheckChainStep},
    {TQ_XY_CHAIN, "XY-chain", PLAYER_VERY_DIFFICULT, 66, FindChain, TQ_XY_CHAIN, TECH_CHAINS,
     WriteChainStep, CheckChainStep},
    {TQ_AIC, "AIC", PLAYER_FIENDISH, 70, FindChain, TQ_AIC, TECH_CHAINS, WriteChainStep,
     CheckChainStep},
    {TQ_ALS_XZ, "ALS-XZ", PLAYER_FIENDISH, 75, FindAlsXZ, 0, TECH_ALS, WriteSets, CheckSets},
    {TQ_ALS_XY_WING, "ALS-XY-wing", PLAYER_FIENDISH, 78, FindAlsXYWing, 0, TECH_ALS, WriteSets,
     CheckSets},
    {TQ_ALS_CHAIN, "ALS chain", PLAYER_FIENDISH, 78, FindAlsChain, 0, TECH_ALS, WriteSets,
     CheckSets},
    {TQ_DEATH_BLOSSOM, "Death blossom", PLAYER_FIENDISH, 79, FindDeathBlossom, 0, TECH_ALS,
     WriteSets, CheckSets},
    {TQ_FORCING_CHAIN, "Forcing chain", PLAYER_EXTREME, 80, FindForcingChain, 0, TECH_CHAINS,
     WriteForcingChain, CheckForcingChain},
    {TQ_CELL_FORCING, "Cell forcing chains", PLAYER_EXTREME, 83, FindForcingBranches, 0,
     TECH_CHAINS, WriteForcingBranches, CheckForcingBranches},
    {TQ_UNIT_FORCING, "Unit forcing chains", PLAYER_EXTREME, 85, FindForcingBranches, 1,
     TECH_CHAINS, WriteForcingBranches, CheckForcingBranches},
    {TQ_FORCING_NET, "Forcing net", PLAYER_EXTREME, 90, FindForcingChain, 1, TECH_CHAINS,
     WriteForcingChain, CheckForcingChain},
};
static_assert(sizeof TECHNIQUE_TABLE / sizeof TECHNIQUE_TABLE[0] == TQ_COUNT);

// The rating's order: the rows by rating, ties in table order.
struct RatingOrder {
    int row[TQ_COUNT - 1];
    RatingOrder() : row() {
        for (int i = 0; i < TQ_COUNT - 1; i++) row[i] = i + 1;
        std::stable_sort(row, row + TQ_COUNT - 1, [](int a, int b) {
            return TECHNIQUE_TABLE[a].rating < TECHNIQUE_TABLE[b].rating;
        });
    }
};

void PlayerGridFrom(PlayerGrid* P, const uint8_t* cells, bool unique) {
    for (int x = 0; x < 81; x++) {
        P->board[x] = cells[x] & CELL_DIGIT;
        P->cand[x] = 0;
    }
    for (int x = 0; x < 81; x++) {
        if (P->board[x]) continue;
        DigitMask m = ALL_DIGITS;
        const uint8_t* peers = PeersOf(x);
        for (int i = 0; i < 20; i++)
            if (P->board[peers[i]]) m &= DigitMask(~(1u << (P->board[peers[i]] - 1)));
        P->cand[x] = m;
    }
    P->unique = unique;
}

int PlayerFindStep(const PlayerGrid* P, int order, int maxLevel, PlayerStep* S) {
    return PlayerFindAllowed(P, order, maxLevel, ~0u, S);
}

int PlayerFindAllowed(const PlayerGrid* P, int order, int maxLevel, uint32_t allowed,
                      PlayerStep* S) {
    static const RatingOrder byRating;
    allowed |= TECH_ANALYSIS;
    for (int i = 0; i < TQ_COUNT - 1; i++) {
        const TechniqueRow& row = TECHNIQUE_TABLE[order == ORDER_RATING ? byRating.row[i] : i + 1];
        if (row.level > maxLevel || !(row.family & allowed)) continue;
        if (row.find(P, row.arg, S)) return 1;
    }
    return 0;
}

void PlayerApply(PlayerGrid* P, const PlayerStep& S) {
    if (S.placed >= 0) {
        const int d = S.placedDigit - 1;
        P->board[S.placed] = uint8_t(S.placedDigit);
        P->cand[S.placed] = 0;
        const uint8_t* peers = PeersOf(S.placed);
        for (int i = 0; i < 20; i++) P->cand[peers[i]] &= DigitMask(~(1u << d));
        return;
    }
    for (int x = 0; x < 81; x++) P->cand[x] &= DigitMask(~S.remove[x]);
}

PlayerResult PlayerSolve(const uint8_t* cells, int order, int unique, PlayerWatcher watch,
                         void* context) {
    static thread_local PlayerGrid P;
    static thread_local PlayerStep S;
    if (unique < 0) {
        uint8_t plain[81], solution[81];
        for (int x = 0; x < 81; x++) plain[x] = cells[x] & CELL_DIGIT;
        unique = CountSolutions(plain, 1, solution) == 1;
    }
    PlayerGridFrom(&P, cells, unique != 0);
    PlayerResult R = {0, 0, TQ_NONE, 0, 0, false};
    for (;;) {
        int open = 0;
        for (int x = 0; x < 81; x++) open += !P.board[x];
        if (!open) {
            R.solved = true;
            break;
        }
        if (!PlayerFindStep(&P, order, PLAYER_EXTREME, &S)) break;
        if (S.placed < 0 && !S.removalCount) break; // nothing would change
        if (watch && !watch(context, &P, S)) break;
        R.steps++;
        if (S.rating > R.rating) {
            R.rating = S.rating;
            R.hardest = S.technique;
            R.hardestVariant = S.variant;
        }
        R.level = std::max(R.level, TECHNIQUE_TABLE[S.technique].level);
        PlayerApply(&P, S);
    }
    return R;
}

const char* PlayerLevelName(int level) {
    static const char* const NAMES[] = {"None",           "Easy",     "Medium", "Difficult",
                                        "Very Difficult", "Fiendish", "Extreme"};
    return level >= 0 && level <= PLAYER_EXTREME ? NAMES[level] : "?";
}

const char* PlayerStepName(const PlayerStep& S, char* out, size_t size) {
    const char* name = TECHNIQUE_TABLE[S.technique].name;
    if (S.technique == TQ_UNIQUE_RECTANGLE && S.variant == 7)
        std::snprintf(out, size, "Hidden rectangle");
    else if (S.technique == TQ_UNIQUE_RECTANGLE)
        std::snprintf(out, size, "%s type %d", name, S.variant);
    else if (S.technique >= TQ_FINNED_X_WING && S.technique <= TQ_FINNED_JELLYFISH && S.variant)
        std::snprintf(out, size, "Sashimi %s", name + 7);
    else if (S.technique == TQ_AIC && S.variant)
        std::snprintf(out, size, "Nice loop");
    else if (S.technique == TQ_ALS_XZ && S.variant)
        std::snprintf(out, size, "%s (doubly linked)", name);
    else
        std::snprintf(out, size, "%s", name);
    return out;
}

const char* PlayerRatingMessage(const PlayerResult& R, char* text, size_t size) {
    if (!R.solved) {
        std::snprintf(text, size, "Can't solve this puzzle with logic!");
        return text;
    }
    PlayerStep hardest{};
    hardest.technique = R.hardest;
    hardest.variant = R.hardestVariant;
    char name[64];
    std::snprintf(text, size, "%d.%d %s (%s)", R.rating / 10, R.rating % 10,
                  PlayerLevelName(R.level), PlayerStepName(hardest, name, sizeof name));
    return text;
}

static void AddCell(TextLine& line, int x) {
    line.Add("r%dc%d", x / 9 + 1, x % 9 + 1);
}

static void AddDigits(TextLine& line, DigitMask m) {
    bool first = true;
    for (int d = 0; d < 9; d++)
        if (m >> d & 1) {
            line.Add(first ? "%d" : ",%d", d + 1);
            first = false;
        }
}

// "r1c2, r1c5 lose 4; r3c4 loses 7": cells with the same digits together, in order.
static void AddRemovals(TextLine& line, const PlayerStep& S) {
    bool done[81] = {};
    bool firstGroup = true;
    for (int x = 0; x < 81; x++) {
        if (!S.remove[x] || done[x]) continue;
        int n = 0;
        line.Add("%s", firstGroup ? "" : "; ");
        firstGroup = false;
        for (int y = x; y < 81; y++)
            if (S.remove[y] == S.remove[x]) {
                line.Add("%s", n ? ", " : "");
                AddCell(line, y);
                done[y] = true;
                n++;
            }
        line.Add(n > 1 ? " lose " : " loses ");
        AddDigits(line, S.remove[x]);
    }
}

static void AddNode(TextLine& line, const PlayerNode& n) {
    line.Add("(%d)", n.digit + 1);
    for (int i = 0; i < n.count; i++) {
        if (i) line.Add(",");
        AddCell(line, n.cells[i]);
    }
}

static void AddPatternCells(TextLine& line, const PlayerStep& S) {
    for (int i = 0; i < S.patternCount; i++) {
        line.Add("%s", i ? ", " : "");
        AddCell(line, S.pattern[i]);
    }
}

// "r1c5 = 4", or the removals.
static void AddConclusion(TextLine& line, const PlayerStep& S) {
    if (S.placed >= 0) {
        AddCell(line, S.placed);
        line.Add(" = %d", S.placedDigit);
    } else {
        AddRemovals(line, S);
    }
}

int DescribePlayerConclusion(const PlayerStep& S, char* out, size_t size) {
    if (!out || size == 0) return 0;
    TextLine line{out, size, 0};
    out[0] = 0;
    if (S.technique == TQ_NONE) return 0;
    AddConclusion(line, S);
    return int(line.len);
}

// ---- the step's text: what follows its name, by the shape of its record ----

// A single or BUG+1: ": r1c5 = 4 in box 2", the unit left out where no unit gives the digit.
static void WritePlacement(const PlayerStep& S, TextLine& line) {
    line.Add(": ");
    AddCell(line, S.placed);
    line.Add(" = %d", S.placedDigit);
    if (S.technique != TQ_NAKED_SINGLE && S.technique != TQ_BUG_PLUS_ONE && S.unitCount) {
        line.Add(" in ");
        AddUnitName(line, S.units[0]);
    }
}

// A pattern: its digits where they name it (one digit, a subset's, a rectangle's), where it
// lies, and its removals: " 4 in row 1, row 5 (r1c2, r1c7, r5c2, r5c7): r3c2 loses 4".
static void WritePattern(const PlayerStep& S, TextLine& line, bool byUnits) {
    if (SingleDigit(S.digits) || (S.technique >= TQ_NAKED_PAIR && S.technique <= TQ_HIDDEN_QUAD) ||
        S.technique == TQ_UNIQUE_RECTANGLE) {
        line.Add(" ");
        AddDigits(line, S.digits);
    }
    line.Add(" in ");
    if (byUnits) {
        for (int i = 0; i < S.unitCount; i++) {
            if (i) line.Add(", ");
            AddUnitName(line, S.units[i]);
        }
        line.Add(" (");
        AddPatternCells(line, S);
        line.Add(")");
    } else {
        AddPatternCells(line, S);
    }
    line.Add(": ");
    AddRemovals(line, S);
}

// Locked candidates, subsets and fish: by their units, then their cells.
static void WriteUnitPattern(const PlayerStep& S, TextLine& line) {
    WritePattern(S, line, true);
}

// Wings, rectangles and other patterns: by their cells.
static void WriteCellPattern(const PlayerStep& S, TextLine& line) {
    WritePattern(S, line, false);
}

// A chain of nodes, strong (=) and weak (-) links in turn, a loop closed on its first node.
static void WriteChainStep(const PlayerStep& S, TextLine& line) {
    line.Add(": ");
    for (int i = 0; i < S.nodeCount; i++) {
        if (i) line.Add(i % 2 ? "=" : "-");
        AddNode(line, S.nodes[i]);
    }
    if (S.loop) {
        line.Add("-");
        AddNode(line, S.nodes[0]);
    }
    line.Add(" => ");
    AddRemovals(line, S);
}

// Almost locked sets, each by its cells and digits; a death blossom first names its stem.
static void WriteSets(const PlayerStep& S, TextLine& line) {
    if (S.technique == TQ_DEATH_BLOSSOM) {
        line.Add(" with stem ");
        AddCell(line, S.assumedCell);
    }
    for (int k = 0; k < S.setCount; k++) {
        line.Add(k ? ", %c = " : ": %c = ", 'A' + k);
        for (int i = 0; i < S.setSize[k]; i++) {
            if (i) line.Add(",");
            AddCell(line, S.setCells[k][i]);
        }
        line.Add(" {");
        AddDigits(line, S.setDigits[k]);
        line.Add("}");
    }
    line.Add(" => ");
    AddRemovals(line, S);
}

// The candidate assumed, what followed (singles, and in a net locked candidates) and the
// removal the contradiction gives.
static void WriteForcingChain(const PlayerStep& S, TextLine& line) {
    line.Add(": ");
    AddCell(line, S.assumedCell);
    line.Add(" = %d gives", S.assumedDigit);
    for (int i = 0; i < S.implicationCount; i++) {
        line.Add("%s ", i ? "," : "");
        if (S.implied[i] == 255) { // locked candidates
            line.Add("%d locked in ", S.impliedDigit[i]);
            AddUnitName(line, S.impliedUnit[i]);
            line.Add(" off ");
            AddUnitName(line, S.impliedLine[i]);
            continue;
        }
        AddCell(line, S.implied[i]);
        line.Add(" = %d", S.impliedDigit[i]);
    }
    line.Add("%s and a contradiction: ", S.implicationCount ? "" : " at once");
    AddRemovals(line, S);
}

// Cell or unit forcing: where the branches start, each branch's singles, then the placement or
// removal they all reach.
static void WriteForcingBranches(const PlayerStep& S, TextLine& line) {
    line.Add(" on ");
    if (S.forcingUnit >= 0) {
        line.Add("%d in ", S.branchDigit[0]);
        AddUnitName(line, S.forcingUnit);
    } else {
        AddCell(line, S.branchCell[0]);
    }
    int from = 0;
    for (int b = 0; b < S.branchCount; b++) {
        line.Add(b ? "; " : ": ");
        AddCell(line, S.branchCell[b]);
        line.Add(" = %d gives", S.branchDigit[b]);
        for (int i = from; i < S.branchEnd[b]; i++) {
            line.Add("%s ", i > from ? "," : "");
            AddCell(line, S.implied[i]);
            line.Add(" = %d", S.impliedDigit[i]);
        }
        if (S.branchEnd[b] == from) line.Add(" it at once");
        from = S.branchEnd[b];
    }
    line.Add(" => ");
    AddConclusion(line, S);
}

int DescribePlayerStep(const PlayerStep& S, char* out, size_t size) {
    TextLine line{out, size, 0};
    out[0] = 0;
    if (S.technique == TQ_NONE) {
        line.Add("No logical step found");
        return int(line.len);
    }
    char name[64];
    line.Add("%s", PlayerStepName(S, name, sizeof name));
    TECHNIQUE_TABLE[S.technique].write(S, line);
    return int(line.len);
}

// The boxes (1..9) the pattern cells lie in, as "box 4" or "boxes 4 and 7".
static void AddBoxes(TextLine& line, const PlayerStep& S) {
    int boxes = 0;
    for (int i = 0; i < S.patternCount; i++) boxes |= 1 << BoxOf(S.pattern[i]);
    const int n = std::popcount(unsigned(boxes));
    line.Add(n == 1 ? "box " : "boxes ");
    int k = 0;
    for (int b = 0; b < 9; b++)
        if (boxes >> b & 1) {
            k++;
            line.Add("%s%d", k == 1 ? "" : k == n ? " and " : ", ", b + 1);
        }
}

int DescribePlayerHint(const PlayerStep& S, int level, char* out, size_t size) {
    if (level >= 3 || S.technique == TQ_NONE) return DescribePlayerStep(S, out, size);
    TextLine line{out, size, 0};
    out[0] = 0;
    char name[64];
    PlayerStepName(S, name, sizeof name);
    // inside a sentence: "an X-wing", "a hidden single", "a BUG+1"
    if (name[1] >= 'a' && name[1] <= 'z') name[0] = char(std::tolower(name[0]));
    const bool vowel = std::strchr("AEIOXaeio", name[0]) != nullptr;
    line.Add("%s %s in ", vowel ? "An" : "A", name);
    const int t = S.technique;
    if (t == TQ_FULL_HOUSE || t == TQ_HIDDEN_SINGLE_BOX || t == TQ_HIDDEN_SINGLE_LINE ||
        t == TQ_POINTING || t == TQ_CLAIMING || (t >= TQ_NAKED_PAIR && t <= TQ_HIDDEN_QUAD)) {
        AddUnitName(line, S.units[0]);
    } else if ((t >= TQ_X_WING && t <= TQ_JELLYFISH) ||
               (t >= TQ_FINNED_X_WING && t <= TQ_FINNED_JELLYFISH)) {
        const int n = t <= TQ_JELLYFISH ? t - TQ_X_WING + 2 : t - TQ_FINNED_X_WING + 2;
        line.Add(S.units[0] < 9 ? "rows " : "columns ");
        for (int i = 0; i < n; i++)
            line.Add("%s%d", i == 0 ? "" : i == n - 1 ? " and " : ", ", S.units[i] % 9 + 1);
    } else {
        AddBoxes(line, S);
    }
    if (level == 2) {
        line.Add(": look at ");
        AddPatternCells(line, S);
    }
    return int(line.len);
}

int TechniqueByName(const char* name) {
    auto squeeze = [](const char* s, char* out) {
        int n = 0;
        for (; *s && n < 62; s++)
            if (!std::strchr(" -_+", *s))
                out[n++] = char(std::tolower(static_cast<unsigned char>(*s)));
        out[n] = 0;
    };
    char want[64], have[64];
    squeeze(name, want);
    if (!std::strcmp(want, "ur")) return TQ_UNIQUE_RECTANGLE;
    if (!std::strcmp(want, "bug")) return TQ_BUG_PLUS_ONE;
    if (!std::strcmp(want, "niceloop")) return TQ_AIC;
    if (!std::strcmp(want, "hiddensinglebox")) return TQ_HIDDEN_SINGLE_BOX;
    if (!std::strcmp(want, "hiddensingleline")) return TQ_HIDDEN_SINGLE_LINE;
    for (int t = 1; t < TQ_COUNT; t++) {
        squeeze(TECHNIQUE_TABLE[t].name, have);
        if (!std::strcmp(want, have)) return t;
    }
    return TQ_NONE;
}
