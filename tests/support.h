// Shared test fixture: every test starts from the core's start-up state with recording hooks.
#pragma once
#include <gtest/gtest.h>
#include <string>
#include <vector>

// What the core told the shell, in order.
struct ShellRecord {
    std::vector<std::string> messages; // message box texts
    std::string status[3];             // last text of each status pane
    int statusWrites[3] = {0, 0, 0};
    bool navEnabled[4] = {false, false, false, false}; // 130..133
    int redraws = 0;
    int beeps = 0;
    int toggleUpdates = 0;
    int titles = 0;
    int busy = 0; // busy-cursor calls with true
    int clockRuns = 0, clockStops = 0;
    bool clockRunning = false;
};
extern ShellRecord Recorded;

// Resets every module and installs the recording hooks.
void ResetForTest();

// Loads an 81-character puzzle ('1'-'9' digits, anything else empty) as a new game:
// ResetState(15), givens as bare digits, ChangePosition(POS_RESET).
void LoadGivens(const char* puzzle);
// The Board's digits as 81 characters, '.' for empty.
std::string BoardDigits();

// Path of a file in the shared data folder; lines of a data file (at most max, 0 = all).
std::string DataPath(const char* name);
std::vector<std::string> ReadPuzzleLines(const char* name, size_t max = 0);
bool DataAvailable(const char* name);

class CoreTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetForTest(); }
};
