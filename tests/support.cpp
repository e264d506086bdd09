// Recording hooks and puzzle helpers for the tests.
#include "tests/support.h"
#include "analysis/analysis.h"
#include "analysis/chains.h"
#include "analysis/state.h"
#include "control/session.h"
#include "exactcover/count.h"
#include "files/gamestore.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/marks.h"
#include "model/options.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

ShellRecord Recorded;
Session* S = nullptr;

namespace {
ShellRecord* To(void* context) {
    return static_cast<ShellRecord*>(context);
}
} // namespace

const ShellHooks RECORDING_HOOKS = {
    .redraw = [](void* r) { To(r)->redraws++; },
    .statusText =
        [](void* r, int pane, const char* text) {
            if (pane >= 0 && pane < 3) To(r)->status[pane] = text;
        },
    .enableNavButton =
        [](void* r, int id, bool on) {
            if (id >= int(NavButton::Undo) && id <= int(NavButton::GoToEnd))
                To(r)->navEnabled[id - int(NavButton::Undo)] = on;
        },
    .updateToggleButtons = [](void* r) { To(r)->toggleUpdates++; },
    .setTitle = [](void* r) { To(r)->titles++; },
    .messageBox = [](void* r, const char* text) { To(r)->messages.push_back(text); },
    .busyCursor = [](void* r, bool busy) { To(r)->busy += busy; },
    .beep = [](void* r) { To(r)->beeps++; },
    .clockTimer =
        [](void* r, bool run) {
            To(r)->clockRuns += run;
            To(r)->clockRunning = run;
        },
};

void ResetForTest() {
    delete S;
    S = new Session;
    SetStateFolder(""); // games in progress are kept only where a test asks for it
    Recorded = ShellRecord{};
    SetShellHooks(S, &RECORDING_HOOKS, &Recorded);
    S->Order = VIEW_ORDER_CLASSIC; // the window's tests of the classic engine; Player sets its own
}

void LoadGivens(const char* puzzle) {
    ResetGame(S);
    for (int i = 0; i < 81 && puzzle[i]; i++) {
        char c = puzzle[i];
        S->Board[i] = (c >= '1' && c <= '9') ? uint8_t(c - '0') : 0;
    }
    ResetPosition(S);
}

void PlaySampleGame(int undone, uint16_t marks4) {
    LoadGivens(SAMPLE_PUZZLE);
    const int moves[][2] = {{1, 1}, {2, 2}, {3, 3}, {11, 6}, {12, 5}};
    for (int i = 0; i < 5; i++) {
        S->AnalysisOptions.numberColour = uint32_t(i % 4);
        EnterDigit(S, moves[i][0], moves[i][1]);
    }
    for (int i = 0; i < undone; i++) Undo(S);
    LoadMarksFromCandidates(S);
    S->MarkGrid[4] = marks4;
}

std::string BoardDigits() {
    std::string s(81, '.');
    for (int i = 0; i < 81; i++)
        if (S->Board[i] & CELL_DIGIT) s[i] = char('0' + (S->Board[i] & CELL_DIGIT));
    return s;
}

int FirstOpenCell() {
    int cell = 0;
    while (cell < 81 && S->Board[cell]) cell++;
    return cell;
}

std::string DataFolder() {
    const char* folder = std::getenv("QUADRIVO_DATA_DIR");
    return folder && folder[0] ? folder : QUADRIVO_DATA_DIR;
}

std::string DataPath(const char* name) {
    return DataFolder() + "/" + name;
}

std::vector<std::string> ReadPuzzleLines(const char* name, size_t max) {
    std::vector<std::string> lines;
    std::ifstream in(DataPath(name));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() < 81) continue;
        lines.push_back(line);
        if (max && lines.size() >= max) break;
    }
    return lines;
}

const char* const EMPTY_BOARD_FIRST =
    "123456789789123456456789123312845697697312845845697312231564978978231564564978231";
const char* const SAMPLE_PUZZLE =
    "4.....8.5.3..........7......2.....6.....8.4......1.......6.3.7.5..2.....1.4......";

std::string SolutionDigits() {
    std::string s(81, '0');
    for (int i = 0; i < 81; i++) s[i] = char('0' + (S->SolutionGrid[i] & CELL_DIGIT));
    return s;
}

CliRun RunCli(const std::string& words) {
    std::string errFile =
        ::testing::TempDir() + "quadrivo-cli-" + std::to_string(getpid()) + ".err";
    std::string command = std::string(QUADRIVO_CLI) + " " + words + " 2>" + errFile;
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) run.out.append(chunk, got);
    int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.err = ReadBytes(errFile);
    std::remove(errFile.c_str());
    return run;
}

void FileTest::SetUp() {
    CoreTest::SetUp();
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder = ::testing::TempDir() + "quadrivo-" + test->test_suite_name() + "-" + test->name() +
             "-" + std::to_string(getpid());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
}

void FileTest::TearDown() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::string FileTest::Write(const char* name, const std::string& bytes) {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

uint16_t DigitsOf(const char* digits) {
    uint16_t m = 0;
    for (const char* p = digits; *p; p++)
        if (*p >= '1' && *p <= '9') m |= DigitBit(*p - '0');
    return m;
}

void OpenAllMarks() {
    S->AnalysisOptions.showCandidates = 0;
    S->A->AnalysisGrid = S->MarkGrid;
    for (DigitMask& m : S->MarkGrid) m = ALL_DIGITS;
}

int MarkedCells() {
    int n = 0;
    for (uint16_t m : S->A->StepMarks) n += m != 0;
    return n;
}

std::string StepMarksText() {
    std::string s;
    char pair[16];
    for (int i = 0; i < 81; i++)
        if (S->A->StepMarks[i]) {
            std::snprintf(pair, sizeof pair, "%s%d:%04X", s.empty() ? "" : " ", i,
                          S->A->StepMarks[i]);
            s += pair;
        }
    return s;
}

void SetChainGraph(const std::string& graph) {
    EmptyChainGraph(S->A);
    std::istringstream in(graph);
    int chain = 0, cell, digit;
    char colour;
    for (std::string node; in >> node;) {
        if (node == "|") {
            CloseChain(S->A);
            chain++;
        } else if (std::sscanf(node.c_str(), "%d.%d%c", &cell, &digit, &colour) == 3) {
            AddNode(S->A, DigitBit(digit), cell, chain, colour == '+');
        }
    }
    if (!graph.empty()) CloseChain(S->A);
    CollectWeakLinks(S->A);
}

std::string ChainGraphText() {
    std::string s;
    for (int k = 0; k < S->A->ChainCount; k++)
        for (int n = S->A->ChainTable[k].first; n < S->A->ChainTable[k + 1].first; n++) {
            const ChainNode& c = S->A->ChainNodeTable[n];
            s += s.empty() ? "" : n == S->A->ChainTable[k].first ? " | " : " ";
            s += std::to_string(c.cell) + "." + std::to_string(std::countr_zero(c.digits) + 1) +
                 (c.colour ? "+" : "-") + (c.chain == k ? "" : "?");
        }
    return S->A->ChainTable[S->A->ChainCount].first == S->A->ChainNodeCount ? s : s + " and more";
}

// What CreatePuzzle promises: plain givens (at most 30) that agree with a complete plain
// SolutionGrid, a fresh history, and a puzzle that is unique and minimal.
void ExpectFreshPuzzle() {
    int givens = 0;
    for (int i = 0; i < 81; i++) {
        ASSERT_TRUE(S->SolutionGrid[i] >= 1 && S->SolutionGrid[i] <= 9) << "cell " << i;
        ASSERT_TRUE(S->Board[i] == 0 || S->Board[i] == S->SolutionGrid[i]) << "cell " << i;
        givens += S->Board[i] != 0;
    }
    EXPECT_LE(givens, 30);
    EXPECT_EQ(S->MoveEnd, 0);
    uint8_t cells[81];
    std::copy(S->Board, S->Board + 81, cells);
    ASSERT_EQ(CountSolutions(cells, 1, S->SolutionGrid), 1) << BoardDigits();
    for (int i = 0; i < 81; i++) {
        if (!cells[i]) continue;
        const uint8_t d = cells[i];
        cells[i] = 0; // every given is needed
        EXPECT_GE(CountSolutions(cells, 1, S->SolutionGrid), 2)
            << BoardDigits() << " without cell " << i;
        cells[i] = d;
    }
}
