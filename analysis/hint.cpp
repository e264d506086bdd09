// The first level of a hint, from the step record: the technique's name as the step's text
// begins with it (StepName, so a step renamed there is renamed here too), an article that fits
// how the name is spoken, and the smallest place on the board that holds the step's cells and
// the chains it shows. Writes only the caller's buffer (and completes a chain step's record).
#include "analysis/hint.h"
#include "analysis/analysis.h"
#include "analysis/chains.h"
#include "analysis/state.h"
#include "analysis/step.h"
#include "analysis/steptext.h"
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
    const StepRecord& s = A->CurrentStep;
    bool written = false;
    if (kind != STEP_NONE && ClassicKind(s.technique) == kind) {
        char name[96];
        size_t length = size_t(StepName(A, name, sizeof name));
        // as it reads inside a sentence: "hidden single", but "X-wing", "ALS-XZ"
        if (length > 1 && IsUpper(name[0]) && IsLower(name[1])) name[0] = char(name[0] - 'A' + 'a');
        // Locked candidates by the shape players call them: a pointing or claiming pair or
        // triple.
        if (s.technique == TQ_POINTING || s.technique == TQ_CLAIMING)
            length +=
                size_t(std::snprintf(name + length, sizeof name - length, " %s (locked candidates)",
                                     s.patternCount == 3 ? "triple" : "pair"));
        if (kind == STEP_SINGLES) {
            // The single the step button enters, in the unit where it is hidden or (naked) in
            // its box; a clash has none to enter.
            if (s.placed >= 0) {
                AddName(line, name, length);
                line.Add(" in ");
                AddUnitName(line, s.technique == TQ_NAKED_SINGLE || s.unit < 0 || s.unit >= 18
                                      ? BoxUnit(s.placed)
                                      : s.unit);
                written = true;
            }
        } else {
            // Every cell the step marks, and the cells of the chains it shows.
            uint16_t marks[81];
            StepMarksOf(s, marks);
            bool in[81] = {};
            for (int x = 0; x < 81; x++) in[x] = marks[x] != 0;
            for (int k = 0; k < s.display.count && k < CHAIN_DISPLAY_MAX; k++) {
                const int chain = s.display.entries[k];
                if (chain < 0 || chain >= A->ChainCount) continue;
                for (int i = A->ChainTable[chain].first; i < A->ChainTable[chain + 1].first; i++)
                    if (i >= 0 && i < CHAIN_NODES_MAX && A->ChainNodeTable[i].cell >= 0 &&
                        A->ChainNodeTable[i].cell < 81)
                        in[A->ChainNodeTable[i].cell] = true;
            }
            uint8_t cells[81];
            int n = 0;
            for (int x = 0; x < 81; x++)
                if (in[x]) cells[n++] = uint8_t(x);
            if (n > 0 && length > 0) {
                AddName(line, name, length);
                line.Add(" in ");
                AddPlace(line, cells, n);
                written = true;
            }
        }
    }
    if (!written) { // no step, or one whose cells cannot be told apart: its own words
        line.len = 0;
        out[0] = 0;
        line.Add("%s", stepText ? stepText : "");
    }
    if (IsLower(out[0])) out[0] = char(out[0] - 'a' + 'A');
    return int(line.len);
}
