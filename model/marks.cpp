// Pencil marks: MarkGrid (the user's, at the position on the board), MarkSnapshot (what "Undo
// Last Mark" restores from) and MarksAt (the marks each other position of the history had when
// the game last left it; row[0] = 0xFFFF when none are kept).
#include "model/marks.h"
#include "model/game.h"
#include "model/hooks.h"
#include "model/options.h"
#include <cstring>

void LoadMarksAsTheyAre(Game* G) {
    std::memcpy(G->MarkSnapshot, G->MarkGrid, sizeof G->MarkSnapshot);
}

void LoadMarksFromCandidates(Game* G) {
    ComputeCandidates(G);
    std::memcpy(G->MarkGrid, G->CandidateGrid, sizeof G->MarkGrid);
    LoadMarksAsTheyAre(G);
}

void ForgetKeptMarks(Game* G) {
    for (DigitMask* row : G->MarksAt) row[0] = NO_SAVED_MARKS;
}

// Whether k indexes MarksAt (setup mode puts a collection position into MovePos).
static bool InTable(int k) {
    return k >= 0 && k <= HISTORY_SLOTS;
}

void KeepMarks(Game* G) {
    if (InTable(G->MovePos)) std::memcpy(G->MarksAt[G->MovePos], G->MarkGrid, sizeof G->MarkGrid);
}

int RestoreKeptMarks(Game* G) {
    if (!InTable(G->MovePos) || G->MarksAt[G->MovePos][0] == NO_SAVED_MARKS) return 0;
    std::memcpy(G->MarkGrid, G->MarksAt[G->MovePos], sizeof G->MarkGrid);
    LoadMarksAsTheyAre(G);
    return 1;
}

const DigitMask* MarksOfPosition(const Game* G, int k) {
    if (!InTable(k) || k > G->MoveEnd) return nullptr;
    if (k == G->MovePos) return G->MarkGrid;
    return G->MarksAt[k][0] == NO_SAVED_MARKS ? nullptr : G->MarksAt[k];
}

int SetMarksOfPosition(Game* G, int k, const DigitMask* marks) {
    if (!InTable(k) || k > G->MoveEnd) return 0;
    DigitMask* row = k == G->MovePos ? G->MarkGrid : G->MarksAt[k];
    for (int i = 0; i < 81; i++) row[i] = marks[i] & ALL_DIGITS;
    if (k == G->MovePos) LoadMarksAsTheyAre(G);
    return 1;
}

void EraseMarks(Game* G) {
    std::memset(G->MarkGrid, 0, sizeof G->MarkGrid);
    std::memset(G->MarkSnapshot, 0, sizeof G->MarkSnapshot);
}

void ResetMarks(Game* G) {
    TellObservers(G, PositionEvent::Changed);
    EraseMarks(G);
    ForgetKeptMarks(G);
}

void UpdateMarksAfterEntry(Game* G, int cell) {
    if (cell >= 0 && cell < 81) G->MarkGrid[cell] = 0;
    if (G->AnalysisOptions.showCandidates == 0) {
        // The entered digit leaves its peers' marks; filled cells lose all marks.
        ComputeCandidates(G);
        for (int i = 0; i < 81; i++) G->MarkGrid[i] &= G->CandidateGrid[i];
    }
    std::memcpy(G->MarkSnapshot, G->MarkGrid, sizeof G->MarkSnapshot);
}

void RefreshMarks(Game* G) {
    if (G->AnalysisOptions.showCandidates == 0 && (G->AnalysisOptions.techniques & TECH_ANALYSIS))
        LoadMarksFromCandidates(G);
    else
        EraseMarks(G);
}

bool MarksInUse(const Game* G) {
    if (G->AnalysisOptions.showCandidates) return false;
    for (int x = 0; x < 81; x++)
        if (!G->Board[x] && G->MarkGrid[x]) return true;
    return false;
}

void ReopenMarks(Game* G, const uint16_t* records, int count) {
    ComputeCandidates(G);
    for (int i = 0; i < count; i++) {
        const int cell = records[i] >> 8;
        const DigitMask digit = DigitMask(1u << ((records[i] & CELL_DIGIT) - 1));
        if (cell > 80 || G->Board[cell] || !(records[i] & CELL_DIGIT)) continue;
        G->MarkGrid[cell] = G->CandidateGrid[cell];
        for (int k = 0; k < 20; k++) {
            const int peer = PeersOf(cell)[k];
            if (!G->Board[peer] && (G->CandidateGrid[peer] & digit)) G->MarkGrid[peer] |= digit;
        }
    }
    std::memcpy(G->MarkSnapshot, G->MarkGrid, sizeof G->MarkSnapshot);
}

void ToggleCandidates(Game* G) {
    G->AnalysisOptions.showCandidates ^= 1;
    G->AnalysisOptions.pencilMarks = 0;
    ShellRedraw(G);
    ShellUpdateToggleButtons(G);
}

void TogglePencilMarks(Game* G) {
    G->AnalysisOptions.pencilMarks ^= 1;
    G->AnalysisOptions.showCandidates = 0;
    if (G->AnalysisOptions.pencilMarks == 1) {
        bool none = true;
        for (DigitMask m : G->MarkGrid) none = none && m == 0;
        if (none) LoadMarksFromCandidates(G);
    }
    ShellRedraw(G); // the marks replace the candidates on the board at once
    ShellUpdateToggleButtons(G);
}

void StoreCandidates(Game* G) {
    LoadMarksFromCandidates(G);
    G->AnalysisOptions.pencilMarks = 1;
    G->AnalysisOptions.showCandidates = 0;
    ShellRedraw(G);
    ShellUpdateToggleButtons(G);
}

// The marks of the position on the board only: the other positions keep theirs, so that Undo
// still finds the marks the player had there.
void ClearAllMarks(Game* G) {
    TellObservers(G, PositionEvent::Changed);
    EraseMarks(G);
    ShellRedraw(G);
}

void UndoLastMark(Game* G) {
    if (G->LastMarkedCell >= 0 && G->LastMarkedCell < 81)
        G->MarkGrid[G->LastMarkedCell] = G->MarkSnapshot[G->LastMarkedCell];
    ShellRedraw(G);
}
