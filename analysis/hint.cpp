// The first level of a hint: the technique's name taken from the step's text (so a step renamed
// there is renamed here too), an article that fits how the name is spoken, and the smallest
// place on the board that holds the step's cells. Reads the step record; writes only the
// caller's buffer.
#include "analysis/hint.h"
#include "analysis/analysis.h"
#include "analysis/chains.h"
#include "analysis/state.h"
#include "analysis/textline.h"
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool IsLower(char c) {
    return c >= 'a' && c <= 'z';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// "a" or "an" before a name as it is spoken; "" before a plural ("locked candidates"). Letters
// read one by one ("X-wing", "ALS-XZ") are spoken by their letter names.
const char* ArticleFor(const char* name, size_t length) {
    if (length == 0) return "";
    if (length > 1 && name[length - 1] == 's' && IsLower(name[length - 2]) &&
        name[length - 2] != 's')
        return "";
    const char c = name[0];
    if (IsDigit(c)) return c == '8' ? "an" : "a";
    const bool spelled = IsUpper(c) && (length == 1 || IsUpper(name[1]) || name[1] == '-');
    if (spelled) return std::strchr("AEFHILMNORSX", c) ? "an" : "a";
    const char lower = IsUpper(c) ? char(c - 'A' + 'a') : c;
    if (std::strncmp(name, "uni", 3) == 0) return "a"; // "a unique rectangle"
    return std::strchr("aeiou", lower) ? "an" : "a";
}

// The article and the name, "an X-wing".
void AddName(TextLine& line, const char* name, size_t length) {
    const char* article = ArticleFor(name, length);
    line.Add("%s%s%.*s", article, *article ? " " : "", int(length), name);
}

// The unit or boxes holding every cell, written into line.
void AddPlace(TextLine& line, const uint8_t* cells, int n) {
    if (n <= 0) return;
    bool row = true, column = true, box = true;
    for (int i = 1; i < n; i++) {
        row = row && cells[i] / 9 == cells[0] / 9;
        column = column && cells[i] % 9 == cells[0] % 9;
        box = box && BoxOf(cells[i]) == BoxOf(cells[0]);
    }
    if (row) return line.Add("row %d", cells[0] / 9 + 1);
    if (column) return line.Add("column %d", cells[0] % 9 + 1);
    if (box) return line.Add("box %d", BoxOf(cells[0]) + 1);
    unsigned boxes = 0;
    for (int i = 0; i < n; i++) boxes |= 1u << (BoxOf(cells[i]) + 1);
    const int count = std::popcount(boxes);
    if (count == 9) return line.Add("all nine boxes");
    line.Add("boxes ");
    for (int b = 1, listed = 0; b <= 9; b++) {
        if (!(boxes >> b & 1)) continue;
        line.Add("%s%d", listed == 0 ? "" : listed == count - 1 ? " and " : ", ", b);
        listed++;
    }
}

// The unit (0..8 rows, 9..17 columns, 18..26 boxes as UnitTable numbers them) in which the
// digit has no other place than the cell, searched row, column, box; -1 when none.
int HiddenUnit(Analysis* A, int cell, DigitMask digit) {
    const int units[3] = {cell / 9, 9 + cell % 9, BoxUnit(cell)};
    for (int unit : units) {
        int places = 0;
        for (int k = 0; k < 9; k++) places += (A->AnalysisGrid[UnitTable[unit][k]] & digit) ? 1 : 0;
        if (places == 1) return unit;
    }
    return -1;
}

// The single the step button enters (the first in cell order, as ApplyStep takes it) and where
// to look for it; false when the step has none to enter.
bool SinglePlace(Analysis* A, TextLine& line, const char* name, size_t length) {
    int cell = -1;
    for (int x = 0; x < 81 && cell < 0; x++)
        if (A->StepMarks[x] && A->StepMarks[x] < 0x1000 && SingleDigit(A->StepMarks[x])) cell = x;
    if (cell < 0) return false;
    const int unit =
        A->AnalysisGrid[cell] == A->StepMarks[cell] ? -1 : HiddenUnit(A, cell, A->StepMarks[cell]);
    AddName(line, name, length);
    line.Add(" in ");
    AddUnitName(line, unit < 0 || unit >= 18 ? BoxUnit(cell) : unit);
    return true;
}

} // namespace

int HintTechniqueName(const char* stepText, char* out, size_t size) {
    if (!out || size == 0) return 0;
    out[0] = 0;
    if (!stepText) return 0;
    size_t end = 0;
    for (; stepText[end]; end++) {
        const char c = stepText[end], next = stepText[end + 1];
        if (c == ':' || (c == ' ' && (next == '(' || IsDigit(next)))) break;
        if (c == ' ' && std::strncmp(stepText + end, " with ", 6) == 0) break; // "ALS chain with"
    }
    while (end > 0 && stepText[end - 1] == ' ') end--;
    const size_t n = end < size - 1 ? end : size - 1;
    std::memcpy(out, stepText, n);
    out[n] = 0;
    if (n > 1 && IsUpper(out[0]) && IsLower(out[1])) out[0] = char(out[0] - 'A' + 'a');
    return int(n);
}

int DescribeHint(Analysis* A, int kind, const char* stepText, char* out, size_t size) {
    if (!out || size == 0) return 0;
    out[0] = 0;
    TextLine line = {out, size, 0};
    char name[96];
    size_t length = size_t(HintTechniqueName(stepText, name, sizeof name));
    // Locked candidates by the shape players call them: a pointing or claiming pair or triple.
    if (std::strcmp(name, "pointing") == 0 || std::strcmp(name, "claiming") == 0) {
        int pattern = 0;
        for (uint16_t m : A->StepMarks) pattern += (m & MARK_KIND) == MARK_PATTERN ? 1 : 0;
        length = size_t(std::snprintf(name + 8, sizeof name - 8, " %s (locked candidates)",
                                      pattern == 3 ? "triple" : "pair")) +
                 8;
    }

    bool written = false;
    if (kind == STEP_SINGLES) {
        written = SinglePlace(A, line, name, length);
    } else if (kind != STEP_NONE) {
        // Every cell the step marks, and the cells of the chains it shows.
        uint8_t cells[81];
        bool in[81] = {};
        int n = 0;
        for (int x = 0; x < 81; x++)
            in[x] = A->StepMarks[x] && (A->StepMarks[x] & MARK_KIND) != MARK_WRONG;
        for (int k = 0; k < A->ChainDisplayList.count && k < CHAIN_DISPLAY_MAX; k++) {
            const int chain = A->ChainDisplayList.entries[k];
            if (chain < 0 || chain >= A->ChainCount) continue;
            for (int i = A->ChainTable[chain].first; i < A->ChainTable[chain + 1].first; i++)
                if (i >= 0 && i < CHAIN_NODES_MAX && A->ChainNodeTable[i].cell >= 0 &&
                    A->ChainNodeTable[i].cell < 81)
                    in[A->ChainNodeTable[i].cell] = true;
        }
        for (int x = 0; x < 81; x++)
            if (in[x]) cells[n++] = uint8_t(x);
        if (n > 0 && length > 0) {
            AddName(line, name, length);
            line.Add(" in ");
            AddPlace(line, cells, n);
            written = true;
        }
    }
    if (!written) { // no step, or one whose cells or name cannot be told apart: its own words
        line.len = 0;
        out[0] = 0;
        line.Add("%s", stepText ? stepText : "");
    }
    if (IsLower(out[0])) out[0] = char(out[0] - 'a' + 'A');
    return int(line.len);
}
