// Locked candidates (size 1: pointing, claiming, the box-and-two-lines pattern) and fish of
// size 2..4, plain or finned; the box-and-two-lines search also feeds grouped links to the chains.
#pragma once
#include "model/board.h"
#include <cstdint>

struct Analysis;

enum BoxLineMode { BOXLINE_ELIMINATE = 0, BOXLINE_LINK = 1 };

// Receives one box-and-two-lines pattern in link mode.
using LinkReceiver = void (*)(Analysis* A, DigitMask digit, int a, int b, int boxOnLine1,
                              int boxOnLine2, int outsideOnLine1, int outsideOnLine2);

// Returns 1 when locked candidates (size 1) or a fish of size 2..4 was found, recorded in the
// step record, else 0.
// Each digit is tried in every shape before the next digit.
int FindFish(Analysis* A, int size);
// The box-and-two-lines pattern of one digit: BOXLINE_ELIMINATE returns 1 when a step was
// recorded, else 0; BOXLINE_LINK examines every line pair and box and hands each pattern
// to the receiver (returns 0).
int FindBoxLinePattern(Analysis* A, DigitMask digit, BoxLineMode mode, LinkReceiver receiver);
