// quadrivo-cli file commands: "format" prints puzzles as text in a chosen layout, "show" prints
// what a saved game holds as the program reads it.
#include "cli/cli.h"
#include "files/filereader.h"
#include "files/gamefile.h"
#include "files/text.h"
#include "model/game.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

namespace {
// The text with its CR LF line ends as the console's LF, and a final line end.
std::string ConsoleLines(const char* text, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; i++)
        if (text[i] != '\r') out += text[i];
    out += '\n';
    return out;
}

ItemResult FormatOne(const PuzzleItem& item, uint32_t format) {
    const std::unique_ptr<Game> game = NewPuzzleGame(item.cells);
    game->AnalysisOptions.blockFormat = format;
    char text[TEXT_BUFFER_SIZE];
    FormatPuzzleText(game.get(), text);
    ItemResult r;
    // Puzzles of several lines are set apart by an empty line.
    if ((format & LAYOUT_LINEAR) == 0 && item.number > 0) r.out.push_back('\n');
    r.out += ConsoleLines(text, std::strlen(text));
    return r;
}

} // namespace

const std::string FORMAT_HELP =
    std::string("usage: quadrivo-cli format PUZZLE... [--layout linear|9x9|3x3|ruled]\n"
                "                           [--empty nulls|dots|dashes] [-f FILE] [-j N]\n"
                "Prints each puzzle as text (default: --layout 9x9 --empty dots); puzzles of\n"
                "several lines are separated by an empty line.\n") +
    PUZZLE_HELP + "Exit status: 0, 1 when the output cannot be written, 2 for bad input.\n";

const char* const SHOW_HELP =
    "usage: quadrivo-cli show FILE... [--empty nulls|dots|dashes]\n"
    "Reads a saved game and prints its puzzle block, the move position and the\n"
    "number of mark records and pencil marks. The empty cells are read in the style\n"
    "the file was written with ('.' or '-'); --empty reads them as the program\n"
    "would with that style set ('-' is an empty cell only with dashes), and a\n"
    "warning says when the file disagrees. A file that is not a saved game (a\n"
    "puzzle list, UTF-16 text, a binary file) is refused.\n"
    "Exit status: 0, 1 when the output cannot be written, 2 when a file cannot be\n"
    "read or is not a saved game, or for a bad command line.\n";

namespace {
// No saved game is longer: a larger file is not one.
constexpr size_t GAME_MAX = 64 * 1024;

// A file checked before the saved-game reader sees it: whether it is a saved game (nine rows of
// nine cells, then only move records [..] and mark records {..}), and how its empty cells are
// written.
struct GameCheck {
    std::string why; // empty for a saved game, else why it is not one
    bool dots = false, dashes = false;
};

GameCheck CheckSavedGame(const std::string& bytes) {
    GameCheck check;
    if (bytes.rfind("\xFF\xFE", 0) == 0 || bytes.rfind("\xFE\xFF", 0) == 0) {
        check.why = "UTF-16 text; save it as UTF-8";
        return check;
    }
    if (size_t nul = bytes.find('\0'); nul != std::string::npos) {
        check.why = "a NUL byte at offset " + std::to_string(nul);
        return check;
    }
    if (bytes.size() > GAME_MAX) {
        check.why = "longer than any saved game";
        return check;
    }
    int rows = 0, number = 0;
    for (size_t at = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0; at < bytes.size();) {
        size_t end = bytes.find('\n', at);
        if (end == std::string::npos) end = bytes.size();
        std::string line; // without blanks
        for (size_t k = at; k < end; k++)
            if (bytes[k] != ' ' && bytes[k] != '\t' && bytes[k] != '\r') line += bytes[k];
        at = end + 1;
        number++;
        if (line.empty()) continue;
        const std::string where = "line " + std::to_string(number);
        if (rows < 9) { // a row of the puzzle: nine cells
            if (line.size() != 9 || line.find_first_not_of("0123456789.-") != std::string::npos) {
                uint8_t cells[81];
                char why[PUZZLE_WHY_SIZE];
                const bool puzzle = ReadPuzzleLine(line.data(), line.size(), cells, why) >= 0;
                check.why = where + (puzzle ? " is a whole puzzle: a puzzle list?"
                                            : " is not a row of nine cells");
                return check;
            }
            check.dots = check.dots || line.find('.') != std::string::npos;
            check.dashes = check.dashes || line.find('-') != std::string::npos;
            rows++;
        } else if ((line[0] != '[' && line[0] != '{') ||
                   (line.back() != ']' && line.back() != '}')) {
            check.why = where + " is neither a move [..] nor mark records {..}";
            return check;
        }
    }
    if (rows == 0)
        check.why = "no puzzle in it";
    else if (rows < 9)
        check.why = "it ends after " + std::to_string(rows) + " of the puzzle's nine rows";
    return check;
}

// The file's bytes, at most GAME_MAX + 1 of them; false with the system's reason. Only a
// regular file is read: a pipe nobody writes would hold the command forever.
bool ReadGameBytes(const std::string& name, std::string* bytes, std::string* why) {
    const int fd = OpenForReading(name.c_str(), nullptr);
    if (fd < 0) {
        *why = errno == EINVAL ? "not a regular file" : std::strerror(errno);
        return false;
    }
    char chunk[8192];
    while (bytes->size() <= GAME_MAX) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) *why = std::strerror(errno);
        if (n <= 0) break;
        bytes->append(chunk, size_t(n));
    }
    close(fd);
    return why->empty();
}
} // namespace

int CmdFormat(const FormatOptions& options) {
    const uint32_t format = options.layout | options.empty;
    return RunBatch(options.batch,
                    [format](const PuzzleItem& item) { return FormatOne(item, format); });
}

int CmdShow(const ShowOptions& options) {
    if (options.files.empty()) {
        std::fprintf(stderr, "quadrivo-cli show: no file given (see --help)\n");
        return 2;
    }
    int status = 0;
    const bool several = options.files.size() > 1;
    for (size_t i = 0; i < options.files.size(); i++) {
        const char* name = options.files[i].c_str();
        std::string bytes, why;
        if (!ReadGameBytes(name, &bytes, &why)) {
            std::fprintf(stderr, "%s: cannot open the file: %s\n", name, why.c_str());
            status = 2;
            continue;
        }
        const GameCheck check = CheckSavedGame(bytes);
        if (!check.why.empty()) {
            std::fprintf(stderr, "%s: not a saved game (%s)\n", name, check.why.c_str());
            status = 2;
            continue;
        }
        // The style the file was written with, unless --empty says otherwise.
        uint32_t empty = check.dashes ? EMPTY_DASHES : EMPTY_DOTS;
        if (options.empty) {
            empty = options.empty;
            if (check.dashes && empty != EMPTY_DASHES)
                std::fprintf(stderr,
                             "%s: warning: the puzzle has '-' for empty cells; with --empty %s "
                             "they are skipped\n",
                             name, empty == EMPTY_NULLS ? "nulls" : "dots");
        } else if (check.dots && check.dashes) {
            std::fprintf(stderr,
                         "%s: warning: the puzzle has both '.' and '-' for empty cells; both "
                         "are read as empty\n",
                         name);
        }
        auto game = std::make_unique<Game>();
        Game* G = game.get();
        G->AnalysisOptions.blockFormat = LAYOUT_9X9 | empty;
        int read = LoadGameFile(G, name);
        if (read == 0) {
            std::fprintf(stderr, "%s: cannot open the file: %s\n", name,
                         errno == EINVAL ? "not a regular file" : std::strerror(errno));
            status = 2;
            continue;
        }
        std::string out;
        if (several) out += std::string(i > 0 ? "\n" : "") + name + ":\n";
        uint8_t block[LINE_BUFFER_SIZE];
        int length = FormatPuzzleBlock(G, block);
        out += ConsoleLines(reinterpret_cast<const char*>(block), size_t(length - 2));
        int digits = 0;
        for (DigitMask marks : G->MarkGrid) digits += std::popcount(marks);
        out += "position: " + std::to_string(G->MovePos) + " of " + std::to_string(G->MoveEnd) +
               " moves\nmarks: " + std::to_string(read - 1) + " records, " +
               std::to_string(digits) + " pencil marks\n";
        if (!Emit(out)) return 1;
    }
    return status;
}
