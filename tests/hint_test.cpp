// The first level of a hint: the technique's name cut from step texts, the place that holds a
// step's cells, and along whole rating paths a line that names the step's technique and a place
// holding every cell the step marks.
#include "analysis/chains.h"
#include "analysis/hint.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "analysis/steptext.h"
#include "tests/support.h"
#include <regex>
#include <vector>

namespace {

class Hint : public CoreTest {};

std::string Name(const char* text) {
    char name[64];
    HintTechniqueName(text, name, sizeof name);
    return name;
}

std::string Place(std::vector<uint8_t> cells) {
    char place[64];
    HintPlace(cells.data(), int(cells.size()), place, sizeof place);
    return place;
}

TEST_F(Hint, NamesAndPlaces) {
    EXPECT_EQ(Name("Hidden single: r8c7 = 5 (the only place for 5 in box 9)"), "hidden single");
    EXPECT_EQ(Name("Naked pair 4,7 in row 3: r3c2, r3c8 keep 4,7"), "naked pair");
    EXPECT_EQ(Name("X-wing 4 in rows 2,5, columns 1,7: r3c1 loses 4"), "X-wing");
    EXPECT_EQ(Name("Finned Swordfish 6 in rows 3,6,8"), "finned Swordfish");
    EXPECT_EQ(Name("ALS-XZ: A = r8c2"), "ALS-XZ");
    EXPECT_EQ(Name("XY-wing (chains a, b): (3)r1c1"), "XY-wing");
    EXPECT_EQ(Name("Empty rectangle (box and two lines) 5 in box 1"), "empty rectangle");
    EXPECT_EQ(Name("ALS chain with r1c1, r1c2 {1,2}: r1c5 loses 1"), "ALS chain");
    EXPECT_EQ(Name("2-string kite 5: r1c1 loses 5"), "2-string kite");
    EXPECT_EQ(Name("No step found"), "no step found");

    EXPECT_EQ(Place({20, 24}), "row 3");   // r3c3, r3c7
    EXPECT_EQ(Place({4, 76}), "column 5"); // r1c5, r9c5
    EXPECT_EQ(Place({60, 80}), "box 9");   // r7c7, r9c9
    EXPECT_EQ(Place({0, 40, 80, 10}), "boxes 1, 5 and 9");
    EXPECT_EQ(Place({8, 27}), "boxes 3 and 4"); // r1c9, r4c1
    EXPECT_EQ(Place({0, 3, 6, 27, 30, 33, 54, 57, 60}), "all nine boxes");
}

// What the rating path's steps are checked against: the cells of a place.
std::vector<int> CellsOf(const std::string& place) {
    std::vector<int> cells;
    std::smatch m;
    const std::string units = place + " ";
    if (std::regex_match(units, m, std::regex("(row|column|box) (\\d) "))) {
        const int k = std::stoi(m[2]) - 1;
        for (int x = 0; x < 81; x++)
            if ((m[1] == "row" && x / 9 == k) || (m[1] == "column" && x % 9 == k) ||
                (m[1] == "box" && 3 * (x / 27) + x % 9 / 3 == k))
                cells.push_back(x);
        return cells;
    }
    for (int x = 0; x < 81; x++) {
        const char box = char('1' + 3 * (x / 27) + x % 9 / 3);
        if (place == "all nine boxes" ||
            (place.rfind("boxes ", 0) == 0 && place.find(box, 6) != std::string::npos))
            cells.push_back(x);
    }
    return cells;
}

struct PathWatch {
    std::vector<std::string> faults;
    int steps = 0;
};

void WatchStep(void* context, int kind, int phase) {
    if (phase != 0) return;
    PathWatch& w = *static_cast<PathWatch*>(context);
    char text[STEP_TEXT_SIZE], hint[STEP_TEXT_SIZE], name[96];
    DescribeStep(kind, text, sizeof text);
    DescribeHint(kind, text, hint, sizeof hint);
    HintTechniqueName(text, name, sizeof name);
    w.steps++;
    const std::string line = hint;
    std::smatch m;
    if (!std::regex_match(line, m,
                          std::regex("(An? )?(.+) in ((row|column|box) \\d|boxes .+|all "
                                     "nine boxes)"))) {
        w.faults.push_back("no technique and place: " + line + " <- " + text);
        return;
    }
    // The name, or for locked candidates the shape players call them.
    std::string told = m[2];
    told[0] = m[1].length() ? told[0] : char(std::tolower(told[0]));
    if (told.rfind(name, 0) != 0 && told.find(" (locked candidates)") == std::string::npos)
        w.faults.push_back("another name: " + line + " <- " + text);
    const std::vector<int> place = CellsOf(m[3]);
    auto inPlace = [&](int x) { return std::find(place.begin(), place.end(), x) != place.end(); };
    std::vector<int> marked;
    if (kind == STEP_SINGLES) { // the single the step button enters
        for (int x = 0; x < 81 && marked.empty(); x++)
            if (StepMarks[x] && StepMarks[x] < 0x1000 && SingleDigit(StepMarks[x]))
                marked.push_back(x);
    } else {
        for (int x = 0; x < 81; x++)
            if (StepMarks[x]) marked.push_back(x);
        for (int k = 0; k < ChainDisplayList.count; k++)
            for (int i = ChainTable[ChainDisplayList.entries[k]].first;
                 i < ChainTable[ChainDisplayList.entries[k] + 1].first; i++)
                marked.push_back(ChainNodeTable[i].cell);
    }
    for (int x : marked)
        if (!inPlace(x)) {
            w.faults.push_back("r" + std::to_string(x / 9 + 1) + "c" + std::to_string(x % 9 + 1) +
                               " outside: " + line + " <- " + text);
            return;
        }
    // A hidden single is the only place for its digit in the unit named.
    if (kind == STEP_SINGLES && line.find("hidden single") != std::string::npos) {
        int places = 0;
        for (int x : place) places += (AnalysisGrid[x] & StepMarks[marked[0]]) ? 1 : 0;
        if (places != 1) w.faults.push_back("not hidden there: " + line + " <- " + text);
    }
}

TEST_F(Hint, EveryStepOfRatingPathsIsNamedAndPlaced) {
    SKIP_WITHOUT_DATA("puzzles3_magictour_top1465.txt");
    std::vector<std::string> puzzles = ReadPuzzleLines("puzzles3_magictour_top1465.txt", 40);
    PathWatch watch;
    for (const std::string& puzzle : puzzles) {
        LoadGivens(puzzle.c_str());
        RatePuzzle(WatchStep, &watch);
    }
    EXPECT_GT(watch.steps, 1000);
    for (size_t i = 0; i < watch.faults.size() && i < 5; i++) ADD_FAILURE() << watch.faults[i];
    EXPECT_TRUE(watch.faults.empty()) << watch.faults.size() << " faults";
}

} // namespace
