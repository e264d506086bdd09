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
// "Goto Position" OK: the text read as an unsigned number (0 when it is not one), kept in
// GotoNumber for the navigation command that opened the dialog.
void AcceptGotoText(Session* S, const char* text);

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
