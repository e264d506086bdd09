// Locked candidates (size 1: pointing, claiming, the box-and-two-lines pattern) and fish of
// size 2..4, plain or finned; the box-and-two-lines search also feeds grouped links to the chains.
#pragma once
#include "model/board.h"
#include <cstdint>

constexpr uint32_t UNITS_ROWS = 0x1FF;
constexpr uint32_t UNITS_COLUMNS = 0x3FE00;
constexpr uint32_t UNITS_BOXES = 0x7FC0000;
constexpr uint32_t UNITS_LINES = 0x3FFFF;

// CellList: cells (bits 0-6) tagged with bit 7 on the 2nd and 4th unit, ended by 255.
constexpr uint8_t CELL_LIST_END = 255;
constexpr int CELL_LIST_MAX = 37;

enum BoxLineMode { BOXLINE_ELIMINATE = 0, BOXLINE_LINK = 1 };

// Receives one box-and-two-lines pattern in link mode.
using LinkReceiver = void (*)(DigitMask digit, int a, int b, int boxOnLine1, int boxOnLine2,
                              int outsideOnLine1, int outsideOnLine2);

extern uint8_t CellScratch[81];

int FindFish(int size);
int FindFishForDigit(DigitMask digit, int size);
int CollectUnitCells(uint32_t unitSet, uint8_t* list, DigitMask digit);
int CellListContains(int cell, const uint8_t* list);
int TryFish(const uint8_t* base, const uint8_t* cover, DigitMask digit);
int FindBoxLinePattern(DigitMask digit, BoxLineMode mode, LinkReceiver receiver);
int TryBoxLinePattern(const uint8_t* box, const uint8_t* lines, DigitMask digit, BoxLineMode mode,
                      LinkReceiver receiver);

// Clears CellScratch.
void ResetFishModule();
