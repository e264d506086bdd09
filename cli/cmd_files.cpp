// quadrivo-cli file commands: "format" prints puzzles as text in a chosen layout, "show" prints
// what a saved game holds as the program reads it.
#include "cli/cli.h"
#include "control/session.h"
#include "files/puzzlefile.h"
#include "files/text.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include <cstdio>
#include <cstring>
#include <string>

namespace {
struct NamedBits {
    const char* name;
    uint32_t bits;
};
constexpr NamedBits LAYOUTS[] = {
    {"linear", LAYOUT_LINEAR}, // all 81 characters on one line
    {"9x9", LAYOUT_9X9},       // nine lines of nine
    {"3x3", LAYOUT_3X3},       // blanks between boxes, empty lines between bands
    {"ruled", LAYOUT_RULED},   // bars between boxes, rule lines between bands
};
constexpr NamedBits EMPTIES[] = {
    {"nulls", EMPTY_NULLS},
    {"dots", EMPTY_DOTS},
    {"dashes", EMPTY_DASHES},
};

// The bits named by option (or fallback when it is absent); false for an unknown name.
template <size_t N>
bool ChooseBits(const CliArgs& args, const char* option, const NamedBits (&table)[N],
                uint32_t fallback, uint32_t* bits) {
    const std::string* value = args.Option(option);
    if (!value) {
        *bits = fallback;
        return true;
    }
    for (const NamedBits& entry : table)
        if (*value == entry.name) {
            *bits = entry.bits;
            return true;
        }
    std::string names;
    for (const NamedBits& entry : table)
        names += std::string(names.empty() ? "" : ", ") + entry.name;
    std::fprintf(stderr, "quadrivo-cli: %s '%s' is not one of %s\n", option, value->c_str(),
                 names.c_str());
    return false;
}

// The text with its CR LF line ends as the console's LF, and a final line end.
std::string ConsoleLines(const char* text, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; i++)
        if (text[i] != '\r') out += text[i];
    out += '\n';
    return out;
}

uint32_t FormatBits;     // blockFormat chosen on the command line
std::string FirstOrigin; // the first puzzle's origin: no empty line before it

ItemResult FormatOne(const PuzzleItem& item, const CliArgs&) {
    LoadAsNewGame(item.cells);
    AnalysisOptions.blockFormat = FormatBits;
    FormatPuzzleText(TextBuffer);
    ItemResult r;
    // Puzzles of several lines are set apart by an empty line.
    if ((FormatBits & LAYOUT_LINEAR) == 0 && item.origin != FirstOrigin) r.out.push_back('\n');
    r.out += ConsoleLines(TextBuffer, std::strlen(TextBuffer));
    return r;
}

void FormatUsage(FILE* out) {
    std::fprintf(out, "usage: quadrivo-cli format [PUZZLE...] [-f FILE|-] [--layout "
                      "linear|9x9|3x3|ruled] [--empty nulls|dots|dashes] [-j N] [--stats]\n"
                      "Prints each puzzle as text (default: --layout 9x9 --empty dots); puzzles of "
                      "several lines are separated by an empty line.\n");
}

void ShowUsage(FILE* out) {
    std::fprintf(
        out,
        "usage: quadrivo-cli show FILE... [--empty nulls|dots|dashes]\n"
        "Reads a saved game and prints its puzzle block, the move position and the "
        "number of mark records and pencil marks. --empty is the empty-cell style the file was "
        "written with (dashes are read as empty cells only with 'dashes').\n");
}
} // namespace

int CmdFormat(int argc, char** argv) {
    CliArgs args;
    std::string error;
    if (!ParseArgs(argc, argv, {"-f", "--layout", "--empty"}, {}, &args, &error)) {
        std::fprintf(stderr, "quadrivo-cli format: %s\n", error.c_str());
        FormatUsage(stderr);
        return 2;
    }
    if (args.Has("--help")) {
        FormatUsage(stdout);
        return 0;
    }
    uint32_t layout, empty;
    if (!ChooseBits(args, "--layout", LAYOUTS, LAYOUT_9X9, &layout) ||
        !ChooseBits(args, "--empty", EMPTIES, EMPTY_DOTS, &empty))
        return 2;
    FormatBits = layout | empty;

    int bad = 0;
    std::vector<PuzzleItem> items = GatherPuzzles(args, &bad);
    if (items.empty() && bad == 0) {
        std::fprintf(stderr, "quadrivo-cli format: no puzzle given\n");
        FormatUsage(stderr);
        return 2;
    }
    InstallConsoleHooks(true);
    if (!items.empty()) FirstOrigin = items[0].origin;
    int status = RunBatch(items, FormatOne, args);
    return bad ? 2 : status;
}

int CmdShow(int argc, char** argv) {
    CliArgs args;
    std::string error;
    if (!ParseArgs(argc, argv, {"--empty"}, {}, &args, &error)) {
        std::fprintf(stderr, "quadrivo-cli show: %s\n", error.c_str());
        ShowUsage(stderr);
        return 2;
    }
    if (args.Has("--help")) {
        ShowUsage(stdout);
        return 0;
    }
    uint32_t empty;
    if (!ChooseBits(args, "--empty", EMPTIES, EMPTY_DOTS, &empty)) return 2;
    if (args.positional.empty()) {
        std::fprintf(stderr, "quadrivo-cli show: no file given\n");
        ShowUsage(stderr);
        return 2;
    }
    int status = 0;
    bool several = args.positional.size() > 1;
    for (size_t i = 0; i < args.positional.size(); i++) {
        const std::string& name = args.positional[i];
        ResetAllModules();
        InstallConsoleHooks(true);
        AnalysisOptions.blockFormat = LAYOUT_9X9 | empty;
        int read = LoadGameFile(name.c_str());
        if (read == 0) {
            std::fprintf(stderr, "%s: cannot open the file\n", name.c_str());
            status = 2;
            continue;
        }
        if (several) std::printf("%s%s:\n", i > 0 ? "\n" : "", name.c_str());
        int length = FormatPuzzleBlock();
        std::string block =
            ConsoleLines(reinterpret_cast<const char*>(LineBuffer), size_t(length - 2));
        std::fputs(block.c_str(), stdout);
        std::printf("position: %d of %d moves\n", MovePos, MoveEnd);
        int digits = 0;
        for (DigitMask marks : MarkGrid) digits += __builtin_popcount(marks);
        std::printf("marks: %d records, %d pencil marks\n", read - 1, digits);
    }
    std::fflush(stdout);
    return status;
}
