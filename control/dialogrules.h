// What the dialogs read and change, apart from their widgets: the technique mask of "Analysis
// Options", the puzzle number of "Goto Position", the text and format of "Copy Paste", and the
// version line of the about box. The shell's dialogs call these, so the rules are tested here.
#pragma once
#include <cstdint>

struct Session;

constexpr unsigned VERSION_WORD = 0x0110; // major in the high byte, minor in the low: 1.16

// The technique bits that have a box in "Analysis Options".
constexpr uint32_t OPTION_BOX_MASK = 0x3E; // TECH_SUBSETS .. TECH_ALS

// "Analysis Options" OK: techniques becomes the old TECH_ANALYSIS bit plus the technique bits
// (0x02..0x20) set in checked; every other bit is cleared.
void AcceptAnalysisOptions(Session* S, uint32_t checked);

// The puzzle number "Goto Position" proposes: the collection position + 1.
int GotoProposedNumber(Session* S);
// The last puzzle number "Goto Position" takes: the collection's count (0 with none open).
int GotoLastNumber(Session* S);
// The puzzle number a "Goto Position" text names: 1..GotoLastNumber when the text is a
// decimal number in that range (spaces around it allowed); 0 for anything else.
int GotoTextNumber(Session* S, const char* text);
// "Goto Position" OK: GotoNumber becomes the number the text names (GotoTextNumber), for the
// navigation command that opened the dialog; 0, and nothing is loaded, when it names none.
// Returns GotoNumber.
int AcceptGotoText(Session* S, const char* text);

// "Copy Paste": the ids of the layout and empty-cell radio buttons to check (256 + bit).
int LayoutRadioId(Session* S);
int EmptyRadioId(Session* S);
// A radio button clicked: blockFormat becomes the bits of the checked buttons (ids 256 + bit).
void AcceptBlockFormat(Session* S, uint32_t checkedBits);
// The board as text in the current blockFormat (out holds at least 142 bytes).
void BlockEntryText(Session* S, char* out);
// "Output": the whole text goes to the clipboard.
void CopyBlockEntryText(Session* S, const char* text);
// "Input": at most 255 bytes of text become the Board (digits as givens).
void AcceptBlockEntryText(Session* S, const char* text);

// "Quadrivo V 1.16" (out holds at least 32 bytes).
void VersionLine(char* out, int size);
