// Shared test fixture: every test starts from the core's start-up state with recording hooks.
#pragma once
#include "analysis/analysis.h"
#include "control/session.h"
#include "model/history.h"
#include "model/hooks.h"
#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

struct Session;

// What the core told the shell, in order.
struct ShellRecord {
    std::vector<std::string> messages; // message box texts
    std::string status[3];             // last text of each status pane (PANE_MOVE ...)
    bool navEnabled[4] = {false, false, false, false}; // NavButton::Undo..GoToEnd
    int redraws = 0;
    int beeps = 0;
    int toggleUpdates = 0;
    int titles = 0;
    int busy = 0;      // busy-cursor calls with true
    int clockRuns = 0; // clock starts
    bool clockRunning = false;
};
extern ShellRecord Recorded;
// Hooks that record into the ShellRecord given as their context.
extern const ShellHooks RECORDING_HOOKS;
// The session of the running test: a new one for each test (ResetForTest).
extern Session* S;

// Makes a new session for the test, its hooks recording into Recorded, showing the steps of
// the classic order.
void ResetForTest();

// Loads an 81-character puzzle ('1'-'9' digits, anything else empty) as a new game:
// ResetGame, givens as bare digits, ResetPosition.
void LoadGivens(const char* puzzle);
// The Board's digits as 81 characters, '.' for empty.
std::string BoardDigits();
// The first empty cell of the Board (81 when it is full).
int FirstOpenCell();
// A game on SAMPLE_PUZZLE for the file tests: five entries in the four colours, the last undone
// of them taken back, the candidates as pencil marks and cell 4 marked with marks4.
void PlaySampleGame(int undone, uint16_t marks4);

// The shared data folder ($QUADRIVO_DATA_DIR, else the one configured), the path of a file in
// it, and the lines of a data file (at most max, 0 = all).
std::string DataFolder();
std::string DataPath(const char* name);
std::vector<std::string> ReadPuzzleLines(const char* name, size_t max = 0);
// Skips the running test when a data set is missing (a clone without ../shared/data beside
// it); CI has the data and runs the test.
#define SKIP_WITHOUT_DATA(file)                                                                    \
    if (!std::ifstream(DataPath(file)).good())                                                     \
    GTEST_SKIP() << "data set " << (file) << " not found in " << DataFolder()

class CoreTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetForTest(); }
};

// Grids used by several test files: the empty board's first solution in search order, and a
// 17-given puzzle whose text shapes are easy to read.
extern const char* const EMPTY_BOARD_FIRST;
extern const char* const SAMPLE_PUZZLE;
// The SolutionGrid's digits as 81 characters, '0' where no digit is recorded.
std::string SolutionDigits();
// What CreatePuzzle promises: plain givens (at most 30) that agree with a complete plain
// SolutionGrid, a fresh history, and a puzzle that is unique and minimal.
void ExpectFreshPuzzle();

// One run of the built quadrivo-cli; the words go through the shell, so "< FILE" works.
struct CliRun {
    int status; // exit status, -1 when killed
    std::string out, err;
};
CliRun RunCli(const std::string& words);

// A fixture with a fresh scratch folder for each test, removed afterwards.
class FileTest : public CoreTest {
  protected:
    std::string folder;
    void SetUp() override;
    void TearDown() override;
    std::string Path(const char* name) const { return folder + "/" + name; }
    // Writes the bytes to a file of the folder; returns its path.
    std::string Write(const char* name, const std::string& bytes);
};
// The whole content of a file, empty when it cannot be read.
std::string ReadBytes(const std::string& path);
// ---- Analysis positions ----
// The one-bit DigitMask of a digit 1..9, and the mask of digits written as "147".
constexpr uint16_t DigitBit(int digit) {
    return uint16_t(1u << (digit - 1));
}
uint16_t DigitsOf(const char* digits);
// Every cell open with every digit in the MarkGrid, which the analysis then reads.
void OpenAllMarks();
// The cells carrying a step mark: how many, and as "cell:MARK" pairs in cell order.
int MarkedCells();
std::string StepMarksText();
// The chain graph as text: chains in block order split by " | ", each node "CELL.DIGIT" with
// "+" for colour 1 and "-" for 0 ("0.1+ 8.1- | 0.2+ 72.2-"). SetChainGraph makes the graph of
// such a text and collects its weak links; ChainGraphText writes the graph, with "?" after a
// node that names another chain than its block's.
void SetChainGraph(const std::string& graph);
std::string ChainGraphText();
