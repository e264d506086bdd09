// Command "Create" and the level it makes puzzles at: the first puzzle drawn (any level) at
// once, any other level in a background search the shell watches, or at once when no shell
// runs one. Command "Practice": a puzzle whose hardest step in the player's order is the
// technique chosen, searched for the same way.
#pragma once
#include <cstddef>
#include <cstdint>

struct Game;
struct Generator;
struct Rater;
struct Session;

// The level "Create" makes: 0 any (today's first puzzle drawn), LEVEL_EASY..LEVEL_FIENDISH.
int CreateLevel(Session* S);
// Makes level the one "Create" uses; a level out of range is ignored.
void ChooseCreateLevel(Session* S, int level);
// "Any Level", "Easy" .. "Fiendish"; "" for a level out of range.
const char* CreateLevelText(int level);

// Command "Create": a new puzzle of the chosen level, shown, timed and rated. At a level other
// than any the shell is asked to search in the background first (startCreate hook); when it
// takes the work, the puzzle arrives later through AcceptCreatedPuzzle.
void CreateCommand(Session* S);
// A puzzle the background search found, 81 characters ('1'..'9', '.'): it becomes the new game as
// "Create" makes it (setup mode left, no file, fresh history, marks and clock, rated). technique:
// the TQ_ a practice search looked for, which the title then names; 0 for "Create". Returns 1,
// or 0 when the text is not a puzzle with one solution (nothing changes).
int AcceptCreatedPuzzle(Session* S, const char* text, int technique = 0);

// Command "Practice": asks which technique to practise (DIALOG_PRACTICE, which sets
// S->Practice), then makes a puzzle whose player's path needs it as its hardest step: in a
// background search the shell watches (startCreate hook with the technique), else at once.
// A technique that cannot be practised beeps and changes nothing.
void PracticeCommand(Session* S);
// 1 when technique (TQ_) can be practised: one of the player's order beyond the singles every
// puzzle has; 0 otherwise.
int PracticeAllowed(int technique);

// What a puzzle drawn is judged by on a rating thread: its category (any small integer) from
// the game as CreateGame leaves it, with a rater of the thread's own.
using CreateJudge = int (*)(const void* judgeContext, Game* game, Rater* rater);

// What the player's judge keeps: a puzzle the player's rating puts at level (PLAYER_, 0 any)
// whose hardest step is technique (TQ_, 0 any). A step rated above maxRating (tenths) or of a
// higher level stops the solve early: such a puzzle cannot be the one wanted.
struct PlayerWant {
    int level;
    int technique;
    int maxRating;
};
// The want of a level and a technique, with the rating bound the technique allows.
PlayerWant PlayerWantFor(int level, int technique);
// The judge of the player's order, its context a PlayerWant: 1 for a puzzle wanted, else 0.
int PlayerJudge(const void* want, Game* G, Rater* rater);

// A search for a puzzle on a thread of its own (its own game and generator seeded from the
// clock, the judging on one more thread a core), so the window's game goes on while it runs.
struct CreateSearch;
constexpr size_t CREATE_CONTEXT_MAX = 64; // the largest judge context a search copies
// Starts a search for a puzzle judge puts in category want; the judge's context, contextSize
// bytes (at most CREATE_CONTEXT_MAX, a plain record; nullptr for a larger one), is copied, so
// the caller's may go at once.
CreateSearch* StartCreateSearch(CreateJudge judge, const void* judgeContext, size_t contextSize,
                                int want);
// The search for a classic level LEVEL_EASY..LEVEL_FIENDISH; nullptr for a level out of range.
CreateSearch* StartCreateSearch(int level);
// The search "Practice" runs for technique; nullptr when it cannot be practised.
CreateSearch* StartPracticeSearch(int technique);
// Where the search stands, asked from any thread: 0 still searching, 1 found (the puzzle as 81
// characters '1'..'9' and '.' and a NUL in puzzle); *tried the puzzles drawn and rated so far.
int CreateSearchState(CreateSearch* search, int64_t* tried, char* puzzle);
// Stops the search if it still runs, waits for its thread (at most one rating) and frees it.
void EndCreateSearch(CreateSearch* search);

// Told each puzzle kept, in order, on G (as CreateGame leaves it), with the number of puzzles
// drawn so far, the kept one included; false ends the run.
using CreateKeeper = bool (*)(void* context, const Game* G, int64_t tried);
// Makes the puzzles of level LEVEL_EASY..LEVEL_FIENDISH that calling CreatePuzzleAtLevel count
// times on G with gen makes, in the same order, but rates them on `threads` threads at once
// while gen draws the next ones on this thread (so gen ends further on than those calls leave
// it). keep sees each puzzle kept; watch (may be null) is told the number drawn after each that
// missed, and false from it stops the run. G ends with the last puzzle kept. Returns the number
// of puzzles drawn up to the last one kept, 0 when watch stopped the run first, -1 for a level
// out of range. threads 1 is the plain loop.
int64_t CreateManyAtLevel(Game* G, Generator* gen, int level, int threads, int64_t count,
                          CreateKeeper keep, bool (*watch)(void* context, int64_t tried),
                          void* context);
// CreateManyAtLevel with another judge: keeps the puzzles judge puts in category want.
int64_t CreateManyJudged(Game* G, Generator* gen, CreateJudge judge, const void* judgeContext,
                         int want, int threads, int64_t count, CreateKeeper keep,
                         bool (*watch)(void* context, int64_t tried), void* context);
