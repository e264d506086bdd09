// A line of text written into a caller's buffer with printf formats; what does not fit is
// dropped, and the buffer always holds a NUL-terminated line of len characters.
#pragma once
#include "model/board.h"
#include <cstdarg>
#include <cstddef>
#include <cstdio>

struct TextLine {
    char* out;
    size_t size; // of out, at least 1
    size_t len;  // characters written so far

    __attribute__((format(printf, 2, 3))) void Add(const char* format, ...) {
        if (len + 1 >= size) return;
        va_list args;
        va_start(args, format);
        const int n = std::vsnprintf(out + len, size - len, format, args);
        va_end(args);
        if (n > 0) len = len + size_t(n) < size ? len + size_t(n) : size - 1;
    }
};

// Unit 0..26 as players name it: "row 3", "column 5" or "box 9" (boxes numbered row by row).
inline void AddUnitName(TextLine& line, int unit) {
    if (unit < 9)
        line.Add("row %d", unit + 1);
    else if (unit < 18)
        line.Add("column %d", unit - 9 + 1);
    else
        line.Add("box %d", BoxOf(UnitTable[unit][0]) + 1);
}
