// Pencil marks: MarkGrid (the user's), MarkSnapshot (what "Undo Last Mark" restores from) and
// SavedMarks (the marks before the last entry; entry 0 = 0xFFFF when nothing is saved).
#include "model/marks.h"
#include "model/hooks.h"
#include "model/options.h"
#include <cstring>

DigitMask MarkGrid[81];
DigitMask MarkSnapshot[81];
DigitMask SavedMarks[81];
// The cell whose marks a tap last addressed in pencil-mark mode.
int LastMarkedCell;

void LoadMarksAsTheyAre() {
    std::memcpy(MarkSnapshot, MarkGrid, sizeof MarkSnapshot);
    SavedMarks[0] = NO_SAVED_MARKS;
}

void LoadMarksFromSaved() {
    std::memcpy(MarkGrid, SavedMarks, sizeof MarkGrid);
    LoadMarksAsTheyAre();
}

void LoadMarksFromCandidates() {
    ComputeCandidates();
    std::memcpy(MarkGrid, CandidateGrid, sizeof MarkGrid);
    LoadMarksAsTheyAre();
}

void EraseMarks() {
    std::memset(MarkGrid, 0, sizeof MarkGrid);
    std::memset(MarkSnapshot, 0, sizeof MarkSnapshot);
}

void ResetMarks() {
    TellObservers(PositionEvent::Changed);
    EraseMarks();
    SavedMarks[0] = NO_SAVED_MARKS;
}

void UpdateMarksAfterEntry(int cell) {
    std::memcpy(SavedMarks, MarkGrid, sizeof SavedMarks);
    if (cell >= 0 && cell < 81) MarkGrid[cell] = 0;
    if (AnalysisOptions.showCandidates == 0) {
        // The entered digit leaves its peers' marks; filled cells lose all marks.
        ComputeCandidates();
        for (int i = 0; i < 81; i++) MarkGrid[i] &= CandidateGrid[i];
    }
    std::memcpy(MarkSnapshot, MarkGrid, sizeof MarkSnapshot);
}

void RefreshMarks() {
    if (AnalysisOptions.showCandidates == 0 && (AnalysisOptions.techniques & TECH_ANALYSIS))
        LoadMarksFromCandidates();
    else
        EraseMarks();
}

bool MarksInUse() {
    if (AnalysisOptions.showCandidates) return false;
    for (int x = 0; x < 81; x++)
        if (!Board[x] && MarkGrid[x]) return true;
    return false;
}

void ReopenMarks(const uint16_t* records, int count) {
    ComputeCandidates();
    for (int i = 0; i < count; i++) {
        const int cell = records[i] >> 8;
        const DigitMask digit = DigitMask(1u << ((records[i] & CELL_DIGIT) - 1));
        if (cell > 80 || Board[cell] || !(records[i] & CELL_DIGIT)) continue;
        MarkGrid[cell] = CandidateGrid[cell];
        for (int k = 0; k < 20; k++) {
            const int peer = PeersOf(cell)[k];
            if (!Board[peer] && (CandidateGrid[peer] & digit)) MarkGrid[peer] |= digit;
        }
    }
    std::memcpy(MarkSnapshot, MarkGrid, sizeof MarkSnapshot);
    SavedMarks[0] = NO_SAVED_MARKS;
}

void ToggleCandidates() {
    AnalysisOptions.showCandidates ^= 1;
    AnalysisOptions.pencilMarks = 0;
    ShellRedraw();
    ShellUpdateToggleButtons();
}

void TogglePencilMarks() {
    AnalysisOptions.pencilMarks ^= 1;
    AnalysisOptions.showCandidates = 0;
    if (AnalysisOptions.pencilMarks == 1) {
        bool none = true;
        for (DigitMask m : MarkGrid) none = none && m == 0;
        if (none) LoadMarksFromCandidates();
    }
    ShellRedraw(); // the marks replace the candidates on the board at once
    ShellUpdateToggleButtons();
}

void StoreCandidates() {
    LoadMarksFromCandidates();
    AnalysisOptions.pencilMarks = 1;
    AnalysisOptions.showCandidates = 0;
    ShellRedraw();
    ShellUpdateToggleButtons();
}

void ClearAllMarks() {
    ResetMarks();
    ShellRedraw();
}

void UndoLastMark() {
    if (LastMarkedCell >= 0 && LastMarkedCell < 81)
        MarkGrid[LastMarkedCell] = MarkSnapshot[LastMarkedCell];
    ShellRedraw();
}

void ResetMarksModule() {
    std::memset(MarkGrid, 0, sizeof MarkGrid);
    std::memset(MarkSnapshot, 0, sizeof MarkSnapshot);
    std::memset(SavedMarks, 0, sizeof SavedMarks);
    SavedMarks[0] = NO_SAVED_MARKS;
    LastMarkedCell = 0;
}
