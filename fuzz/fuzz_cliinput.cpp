// Fuzz target: quadrivo-cli's own input reader. The input after its first byte is a -f stream,
// fed to the line splitter in chunks of 1 + data[0] bytes so that lines break at every place:
// the lines must come out as a plain split of the whole stream gives them (LF ends a line, a CR
// before it and a byte-order mark opening the stream are dropped, a line over LINE_CAP is
// reported and never kept), and every line read as a puzzle must be 81 puzzle characters whose
// cells match. The whole input is also read as a puzzle argument. The deep target then loads
// the first puzzles read as new games and runs the analysis on them.
#include "cli/input.h"
#include "control/session.h"
#include "fuzz/fuzz_support.h"
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {
// A line as the splitter gives it, or -1 for one too long.
struct Line {
    long long number;
    long long size;
    std::string text;
    bool operator==(const Line&) const = default;
};

// The lines of a plain split of the whole stream.
std::vector<Line> PlainSplit(const std::string& stream) {
    std::vector<Line> lines;
    for (size_t at = 0; at < stream.size();) {
        size_t end = stream.find('\n', at);
        if (end == std::string::npos) end = stream.size();
        std::string text = stream.substr(at, end - at);
        at = end + 1;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (lines.empty() && text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
        const long long number = (long long)lines.size() + 1;
        if (text.size() > LINE_CAP)
            lines.push_back({number, -1, ""});
        else
            lines.push_back({number, (long long)text.size(), text});
    }
    return lines;
}

// Reads one line as an input and checks it: a puzzle is its 81 characters, cells as the digits;
// a bad input has a reason. Returns what ReadInputLine said.
int CheckInput(const char* text, size_t length, bool argument, PuzzleItem* item) {
    std::string why;
    const int read = ReadInputLine(text, length, argument, item, &why);
    if (read == INPUT_BAD && why.empty()) __builtin_trap();
    if (read != INPUT_PUZZLE) return read;
    if (item->text.size() != 81) __builtin_trap();
    for (int i = 0; i < 81; i++) {
        const char c = item->text[size_t(i)];
        const int digit = c >= '1' && c <= '9' ? c - '0' : 0;
        if ((c < '0' || c > '9') && c != '.' && c != '-') __builtin_trap();
        if (item->cells[i] != digit) __builtin_trap();
    }
    return read;
}
} // namespace

int FuzzCliInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string stream(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t chunk = 1 + data[0];
    static LineSplitter lines;
    lines.Reset();
    std::vector<Line> got;
    std::vector<PuzzleItem> puzzles;
    PuzzleItem item;
    for (size_t fed = 0;;) {
        const char* text;
        size_t length;
        const int line = lines.Next(&text, &length);
        if (line == LineSplitter::LINE_READY) {
            if (length > LINE_CAP || std::memchr(text, '\n', length)) __builtin_trap();
            got.push_back({lines.Number(), (long long)length, std::string(text, length)});
            if (CheckInput(text, length, false, &item) == INPUT_PUZZLE && puzzles.size() < 3)
                puzzles.push_back(item);
        } else if (line == LineSplitter::LINE_TOO_LONG) {
            got.push_back({lines.Number(), -1, ""});
        } else if (lines.Finished()) {
            break;
        } else if (fed == stream.size()) {
            lines.End();
        } else {
            size_t room;
            char* space = lines.Space(&room);
            if (room <= LINE_CAP) __builtin_trap(); // the buffer always has room for a line
            const size_t n = std::min({room, chunk, stream.size() - fed});
            std::memcpy(space, stream.data() + fed, n);
            lines.Added(n);
            fed += n;
        }
    }
    if (got != PlainSplit(stream)) __builtin_trap();
    CheckInput(reinterpret_cast<const char*>(data), size, true, &item);

    if (FUZZ_DEEP)
        for (const PuzzleItem& puzzle : puzzles) {
            std::unique_ptr<Session> session = NewGameSession(puzzle.cells);
            ExerciseLoadedGame(session.get(), Selector(data, size));
        }
    return 0;
}

FUZZ_TARGET(FuzzCliInput)
