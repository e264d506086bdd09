// The yardstick of the batch count: the reference counter (every matrix node its own heap
// allocation) run over a file of boards as a whole program, printing what
// `quadrivo-cli count -j 1 -f FILE --limit N` prints: the result, a blank and the last solution
// reached, one line a board. Lines that are blank or start with '#' are skipped; any other line
// must be a board of 81 characters ('1'-'9', '.', '0' or '-').
//   plain_count FILE [LIMIT]
#include "bench/reference/literal_engine.h"
#include "exactcover/count.h"
#include "model/board.h"
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: plain_count FILE [LIMIT]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot open the file\n", argv[1]);
        return 2;
    }
    const int32_t limit = argc > 2 ? int32_t(std::atol(argv[2])) : 1;
    std::string line, out;
    int bad = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        uint8_t board[81];
        bool ok = line.size() == 81;
        for (size_t i = 0; ok && i < 81; i++) {
            const char c = line[i];
            ok = (c >= '1' && c <= '9') || c == '.' || c == '0' || c == '-';
            board[i] = c >= '1' && c <= '9' ? uint8_t(c - '0') : 0;
        }
        if (!ok) {
            bad++;
            continue;
        }
        // Each board starts from an empty grid, as each CLI puzzle starts from a new game.
        uint8_t solution[81] = {};
        out = std::to_string(LiteralCountSolutions(board, limit, solution)) + " ";
        for (uint8_t d : solution) out += char('0' + d);
        out += '\n';
        std::fwrite(out.data(), 1, out.size(), stdout);
    }
    return bad ? 2 : 0;
}
