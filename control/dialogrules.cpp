// The dialogs' rules on the game state; the widgets live in the shell.
#include "control/dialogrules.h"
#include "control/session.h"
#include "files/text.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/options.h"
#include <cstdio>
#include <cstring>

void AcceptAnalysisOptions(Session* S, uint32_t checked) {
    S->AnalysisOptions.techniques =
        (S->AnalysisOptions.techniques & TECH_ANALYSIS) | (checked & OPTION_BOX_MASK);
}

int GotoProposedNumber(Session* S) {
    return S->CollectionIndex + 1;
}

int GotoLastNumber(Session* S) {
    return S->CollectionIndex >= 0 ? S->CollectionCount : 0;
}

int GotoTextNumber(Session* S, const char* text) {
    const long long last = GotoLastNumber(S);
    long long n = 0;
    const char* p = text;
    while (*p == ' ') p++;
    const char* digits = p;
    for (; *p >= '0' && *p <= '9'; p++)
        if (n <= last) n = 10 * n + (*p - '0'); // past the range it stays past it
    const bool number = p > digits;
    while (*p == ' ') p++;
    if (!number || *p) return 0; // "", "abc", "12a", "-3"
    return n >= 1 && n <= last ? int(n) : 0;
}

int AcceptGotoText(Session* S, const char* text) {
    S->GotoNumber = GotoTextNumber(S, text);
    return S->GotoNumber;
}

int LayoutRadioId(Session* S) {
    return 256 + int(S->AnalysisOptions.blockFormat & 0x0F);
}
int EmptyRadioId(Session* S) {
    return 256 + int(S->AnalysisOptions.blockFormat & 0xF0);
}

void AcceptBlockFormat(Session* S, uint32_t checkedBits) {
    S->AnalysisOptions.blockFormat = checkedBits & 0x7F;
}

void BlockEntryText(Session* S, char* out) {
    FormatPuzzleText(S, out);
}

void CopyBlockEntryText(Session* S, const char* text) {
    ShellCopyText(S, text);
}

void AcceptBlockEntryText(Session* S, const char* text) {
    char buffer[TEXT_BUFFER_SIZE];
    std::snprintf(buffer, sizeof buffer, "%s", text); // a longer text is cut at 255 bytes
    ParsePuzzleText(S, buffer);
}

void VersionLine(char* out, int size) {
    std::snprintf(out, size_t(size), "%s V %d.%02d", PROGRAM_NAME, VERSION_WORD >> 8,
                  VERSION_WORD & 0xFF);
}
