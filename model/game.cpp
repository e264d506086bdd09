// The start-up state of a game.
#include "model/game.h"
#include "model/marks.h"

Game::Game() {
    for (int i = 0; i < 81; i++) {
        const char c = BUILTIN_PUZZLE[i];
        Board[i] = (c >= '1' && c <= '9') ? uint8_t(c - '0') : 0;
    }
    ForgetKeptMarks(this);
}
