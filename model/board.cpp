// The puzzle on screen: Board, UnitTable, PeerTable, CandidateGrid, CountFilled, ClearBoard,
// ResetGame and the position's observers. Invariant: an empty cell is the byte 0; every other byte
// carries a digit 1..9 in its low bits.
#include "model/board.h"
#include "model/game.h"
#include "model/marks.h"
#include <cstring>

const char BUILTIN_PUZZLE[82] = ".7.1.6.8."
                                "..84.32.."
                                "3.......4"
                                "..3.7.5.."
                                "4.......2"
                                "..5.4.6.."
                                "9.......1"
                                "..69.83.."
                                ".3.5.7.9.";

// Rows left to right, columns top to bottom, each box's cells row by row; the boxes themselves
// go down each band of three columns first (unit 18 + k covers rows 3(k%3).. and columns
// 3(k/3)..), the analysis's search order that BOX_UNIT_ORDER names.
constexpr uint8_t UnitTable[27][9] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8},          // row 1
    {9, 10, 11, 12, 13, 14, 15, 16, 17},  // row 2
    {18, 19, 20, 21, 22, 23, 24, 25, 26}, // row 3
    {27, 28, 29, 30, 31, 32, 33, 34, 35}, // row 4
    {36, 37, 38, 39, 40, 41, 42, 43, 44}, // row 5
    {45, 46, 47, 48, 49, 50, 51, 52, 53}, // row 6
    {54, 55, 56, 57, 58, 59, 60, 61, 62}, // row 7
    {63, 64, 65, 66, 67, 68, 69, 70, 71}, // row 8
    {72, 73, 74, 75, 76, 77, 78, 79, 80}, // row 9
    {0, 9, 18, 27, 36, 45, 54, 63, 72},   // column 1
    {1, 10, 19, 28, 37, 46, 55, 64, 73},  // column 2
    {2, 11, 20, 29, 38, 47, 56, 65, 74},  // column 3
    {3, 12, 21, 30, 39, 48, 57, 66, 75},  // column 4
    {4, 13, 22, 31, 40, 49, 58, 67, 76},  // column 5
    {5, 14, 23, 32, 41, 50, 59, 68, 77},  // column 6
    {6, 15, 24, 33, 42, 51, 60, 69, 78},  // column 7
    {7, 16, 25, 34, 43, 52, 61, 70, 79},  // column 8
    {8, 17, 26, 35, 44, 53, 62, 71, 80},  // column 9
    {0, 1, 2, 9, 10, 11, 18, 19, 20},     // unit 18: box 1 (rows 1-3, columns 1-3)
    {27, 28, 29, 36, 37, 38, 45, 46, 47}, // unit 19: box 4 (rows 4-6, columns 1-3)
    {54, 55, 56, 63, 64, 65, 72, 73, 74}, // unit 20: box 7 (rows 7-9, columns 1-3)
    {3, 4, 5, 12, 13, 14, 21, 22, 23},    // unit 21: box 2 (rows 1-3, columns 4-6)
    {30, 31, 32, 39, 40, 41, 48, 49, 50}, // unit 22: box 5 (rows 4-6, columns 4-6)
    {57, 58, 59, 66, 67, 68, 75, 76, 77}, // unit 23: box 8 (rows 7-9, columns 4-6)
    {6, 7, 8, 15, 16, 17, 24, 25, 26},    // unit 24: box 3 (rows 1-3, columns 7-9)
    {33, 34, 35, 42, 43, 44, 51, 52, 53}, // unit 25: box 6 (rows 4-6, columns 7-9)
    {60, 61, 62, 69, 70, 71, 78, 79, 80}, // unit 26: box 9 (rows 7-9, columns 7-9)
};
static_assert(sizeof UnitTable == 27 * 9);
// Each row, column and box holds its nine cells, in cell order.
constexpr bool UnitsHoldTheirCells() {
    for (int i = 0; i < 9; i++)
        for (int k = 0; k < 9; k++)
            if (UnitTable[i][k] != 9 * i + k || UnitTable[9 + i][k] != 9 * k + i ||
                BoxOf(UnitTable[18 + i][k]) != BOX_UNIT_ORDER[i] ||
                (k > 0 && UnitTable[18 + i][k] <= UnitTable[18 + i][k - 1]))
                return false;
    return true;
}
static_assert(UnitsHoldTheirCells());
constexpr bool BoxOrderIsItsOwnInverse() {
    for (int k = 0; k < 9; k++)
        if (BOX_UNIT_ORDER[BOX_UNIT_ORDER[k]] != k) return false;
    return true;
}
static_assert(BoxOrderIsItsOwnInverse());

// Each cell's box, column and row in that order, each cell once and the cell itself left out.
constexpr std::array<uint8_t, 81 * 20> MakePeerTable() {
    std::array<uint8_t, 81 * 20> table{};
    for (int c = 0; c < 81; c++) {
        int n = 0;
        const int units[3] = {BoxUnit(c), 9 + c % 9, c / 9};
        for (int u : units)
            for (int k = 0; k < 9; k++) {
                int p = UnitTable[u][k];
                bool listed = p == c;
                for (int i = 0; i < n && !listed; i++) listed = table[20 * c + i] == p;
                if (!listed) table[20 * c + n++] = uint8_t(p);
            }
    }
    return table;
}
constexpr std::array<uint8_t, 81 * 20> PeerTable = MakePeerTable();

// Every cell's list holds the 20 other cells that share its row, column or box.
constexpr bool PeerListsAreExact() {
    for (int c = 0; c < 81; c++)
        for (int o = 0; o < 81; o++) {
            int times = 0;
            for (int i = 0; i < 20; i++) times += PeerTable[20 * c + i] == o;
            bool shares = o != c && (o / 9 == c / 9 || o % 9 == c % 9 || BoxOf(o) == BoxOf(c));
            if (times != (shares ? 1 : 0)) return false;
        }
    return true;
}
static_assert(PeerListsAreExact());
// Cell 0: its box from cell 1, then column 1 from row 4, then row 1 from column 4.
static_assert(PeerTable[0] == 1 && PeerTable[8] == 27 && PeerTable[14] == 3 && PeerTable[19] == 8);

DigitMask PeerDigits(const Game* G, int cell) {
    DigitMask m = 0;
    const uint8_t* peers = PeersOf(cell);
    for (int i = 0; i < 20; i++) {
        int d = G->Board[peers[i]] & CELL_DIGIT;
        if (d) m |= DigitMask(1u << (d - 1));
    }
    return m;
}

int ComputeCandidates(Game* G) {
    for (int i = 0; i < 81; i++) {
        G->CandidateGrid[i] = 0;
        if (G->Board[i] == 0) {
            DigitMask m = PeerDigits(G, i);
            if (m == ALL_DIGITS) return 0; // no digit left: the cells after keep old values
            G->CandidateGrid[i] = m ^ ALL_DIGITS;
        }
    }
    return 1;
}

int CountFilled(const Game* G) {
    return CountFilledCells(G->Board);
}

int CountFilledCells(const uint8_t* cells) {
    int conflicts = 0;
    for (int u = 0; u < 27; u++) {
        unsigned seen = 0;
        for (int k = 0; k < 9; k++) {
            int d = cells[UnitTable[u][k]] & CELL_DIGIT;
            if (!d) continue;
            unsigned bit = 1u << (d - 1);
            if (seen & bit) conflicts++; // digit already in this unit?
            seen |= bit;
        }
    }
    int filled = 0;
    for (int i = 0; i < 81; i++) filled += cells[i] != 0;
    return conflicts ? -1 : filled;
}

void ClearBoard(Game* G) {
    std::memset(G->Board, 0, sizeof G->Board);
}

void ResetGame(Game* G) {
    G->PuzzleSerial++;
    ResetMarks(G);
    ClearBoard(G);
}

int ObservePosition(Game* G, PositionObserver observer, void* context) {
    for (int i = 0; i < G->ObserverCount; i++)
        if (G->Observers[i].tell == observer && G->Observers[i].context == context) return 1;
    if (G->ObserverCount == POSITION_OBSERVERS_MAX) return 0;
    G->Observers[G->ObserverCount++] = {observer, context};
    return 1;
}

void TellObservers(const Game* G, PositionEvent event) {
    for (int i = 0; i < G->ObserverCount; i++) G->Observers[i].tell(G->Observers[i].context, event);
}
