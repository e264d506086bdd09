// The step the board shows: found again whenever something the analysis reads has changed (the
// position, the marks, the options, a chain asked for), so that painting only reads it; its
// words for the line under the board; and the step button that carries it out.
#pragma once
#include "model/board.h"
#include <array>
#include <cstddef>
#include <cstdint>

struct Session;

// Everything a run of the analysis for the display depends on.
struct StepInputs {
    std::array<uint8_t, 81> board, solution;
    std::array<DigitMask, 81> marks; // the pencil marks, unless the candidates are shown
    std::array<uint32_t, 4> options; // setupMode, showCandidates, techniques, wrongValues
    int order;                       // VIEW_ORDER_
    int32_t chainSelection;
    int showSolution;
    bool hint;       // a hint is asked for: the analysis runs whatever its display says
    bool wrongMarks; // "Wrong Pencil Marks"
    bool operator==(const StepInputs&) const = default;
};

// The hint asked for, and what the game was when it was asked: a change ends it.
struct HintRecord {
    int level;         // 0 none, 1..3
    bool onCandidates; // no pencil marks in use: the computed candidates are analysed
    StepInputs inputs;
};

// A candidate drawn as a chain node: a filled square (colour 0) or an outlined circle
// (colour 1), in the colour of its chain's slot.
struct DrawnNode {
    uint8_t cell;   // 0..80
    uint8_t digit;  // 0..8
    uint8_t colour; // 0 or 1
    uint8_t slot;   // 0..63: the chain's place in the drawing order
};
// The step's digits on their squares: all of them, none (the classic chain step, whose chains
// show its digits), or those without a chain node drawn over them.
constexpr int DRAW_SQUARES_ALL = 0;
constexpr int DRAW_SQUARES_NONE = 1;
constexpr int DRAW_SQUARES_OFF_NODES = 2;
// Every node of a full chain display list: 64 chains of up to 256 nodes.
constexpr int DRAWN_NODES_MAX = 64 * 256;
// What the board draws of the step shown, made from the step's record by whichever order found
// it, so that painting reads this alone: a step mark per cell (MARK_ of analysis/state.h) and
// the chain nodes in drawing order.
struct StepDrawing {
    uint16_t marks[81];
    int squares; // DRAW_SQUARES_: which of the step's digits stand on their squares
    int nodeCount;
    DrawnNode nodes[DRAWN_NODES_MAX];
};

// Brings PendingStep, StepMarks, the ChainDisplayList, the player's step, the Drawing and (with
// the candidates shown) the CandidateGrid up to date with the game, running the analysis only
// when its input changed since the last run. In the player's order the step is the first of
// the player's table whose family (its TECH_ bit) the technique labels switch on, found on the
// marks or candidates the classic analysis would read; StepMarks and PendingStep (the family's
// StepKind) are written from it, so that whatever reads them sees the step shown. Every operation
// of the control layer that may change the game ends with it; a front end that changes the game
// directly calls it before drawing.
void RefreshStep(Session* S);

// The line under the board: on a first start, until the first entry, how entry works;
// otherwise the step shown in words, "" when there is none (or the analysis display is off).
// A hint asked for comes first: with the analysis display off, its first level at levels 1
// and 2, the step in words at level 3.
const char* StepLineText(Session* S);

// Puts a word in the step line on what to do, after a command that could not do what was asked
// (text cut to STEP_TEXT_SIZE). It stands until the next command or until something the
// analysis reads changes.
void SetNotice(Session* S, const char* text);

// Why no step is shown, as advice for the step line: the analysis display is off (and no hint
// asked for), the techniques switched on find nothing (naming those switched off), some open
// cell has no pencil marks (the player's order reads none then), or the wrong entries or marks
// shown. Writes it to out and returns 1; returns 0 (out "") when a step is
// shown, the solution is shown or the grid is full.
int NoStepAdvice(Session* S, char* out, size_t size);

// Command "Hint": the next level of the hint, up to 3. Level 1 names the technique and where to
// look, level 2 also draws the step on the board, level 3 states it in full; the step button
// carries it out. The first press checks the position and the pencil marks in use (as
// CheckHintPosition does): a failed check is said in a message box and no hint is given.
// The pencil marks are analysed when any open cell has some, the computed candidates
// otherwise. Any change of the position, the marks or the options ends the hint. Returns the
// level now shown, 0 when refused.
int AskHint(Session* S);
// The level of the hint shown, 0 for none.
int HintLevel(Session* S);
// Whether the board draws the step's marks and chains: the analysis display is on, or a hint
// of level 2 or 3 is shown. Wrong entries and wrong pencil marks are drawn either way.
bool StepMarksShown(const Session* S);

// Command "Wrong Pencil Marks": on or off. While on, each open cell whose pencil marks leave
// out its digit of the SolutionGrid is marked MARK_WRONG, and (as with "Wrong Values") no step
// is searched while one is. Not with the computed candidates shown, which hold every digit
// the entries allow.
void ToggleWrongMarks(Session* S);
bool WrongMarksOn(Session* S);

// The step button outside setup mode: carries out the step shown. Eliminations made while the
// computed candidates are shown would be computed away again, so the candidates first become
// the pencil marks (as "Store Candidates" does). Returns 1 when the game changed, 0 when no
// step was shown or the step changed nothing (it is then not shown again until the game
// changes).
int ApplyShownStep(Session* S);

// "Analysis Options", Order: VIEW_ORDER_CLASSIC or VIEW_ORDER_PLAYER (anything else is
// ignored); the step is found again in that order.
void ChooseStepOrder(Session* S, int order);

// The position observer: the step shown is stale, and the drawing follows what the analysis
// forgets at once (its step on a change, the classic pending step on a refused entry).
void ForgetShownStep(void* context, PositionEvent event); // context: the Session
