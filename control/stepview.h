// The step the board shows: found again whenever something the analysis reads has changed (the
// position, the marks, the options, a chain asked for), so that painting only reads it; its
// words for the line under the board; and the step button that carries it out.
#pragma once

// Brings PendingStep, StepMarks, the ChainDisplayList and (with the candidates shown) the
// CandidateGrid up to date with the game, running the analysis only when its input changed
// since the last run. Every operation of the control layer that may change the game ends with
// it; a front end that changes the game directly calls it before drawing.
void RefreshStep();

// The line under the board: on a first start, until the first entry, how entry works;
// otherwise the step shown in words, "" when there is none (or the analysis display is off).
const char* StepLineText();

// The step button outside setup mode: carries out the step shown. Eliminations made while the
// computed candidates are shown would be computed away again, so the candidates first become
// the pencil marks (as "Store Candidates" does). Returns 1 when the game changed, 0 when no
// step was shown or the step changed nothing (it is then not shown again until the game
// changes).
int ApplyShownStep();

// The position observer: the step shown is stale.
void ForgetShownStep(int event);

void ResetStepViewModule();
