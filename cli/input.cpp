// quadrivo-cli's input (see input.h): the line splitter, the strict reading of one input, the
// sources of the command line taken one after another, and a puzzle loaded as a new game.
// Memory stays within the splitter's buffer however long the input or its lines are.
#include "cli/input.h"
#include "control/session.h"
#include "files/text.h"
#include "model/board.h"
#include "model/history.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

// ---- Lines --------------------------------------------------------------------------------

char* LineSplitter::Space(size_t* room) {
    *room = LINE_BUFFER - end_;
    return buffer_ + end_;
}

void LineSplitter::Added(size_t count) {
    end_ += count;
}

void LineSplitter::End() {
    ended_ = true;
}

int LineSplitter::Next(const char** text, size_t* length) {
    for (;;) {
        const void* lf = std::memchr(buffer_ + scanned_, '\n', end_ - scanned_);
        if (skipping_) { // the rest of a line already reported as too long
            if (!lf) {
                begin_ = end_ = scanned_ = 0;
                return LINE_NONE;
            }
            begin_ = scanned_ = size_t(static_cast<const char*>(lf) - buffer_) + 1;
            skipping_ = false;
            continue;
        }
        size_t size; // the line's bytes, its line end not counted
        if (lf) {
            size = size_t(static_cast<const char*>(lf) - buffer_) - begin_;
        } else if (end_ - begin_ > LINE_CAP + 1 + (number_ == 0 ? 3 : 0)) {
            // too long already, even if a CR LF follows (and a byte-order mark opens line 1)
            number_++;
            begin_ = end_ = scanned_ = 0;
            skipping_ = !ended_;
            return LINE_TOO_LONG;
        } else if (ended_ && end_ > begin_) { // the last line has no line end
            size = end_ - begin_;
        } else {
            if (ended_) return LINE_NONE;
            std::memmove(buffer_, buffer_ + begin_, end_ - begin_); // room for the rest of it
            end_ -= begin_;
            begin_ = 0;
            scanned_ = end_;
            return LINE_NONE;
        }
        number_++;
        const char* line = buffer_ + begin_;
        begin_ = scanned_ = begin_ + size + (lf ? 1 : 0);
        if (size > 0 && line[size - 1] == '\r') size--;
        if (number_ == 1 && size >= 3 && std::memcmp(line, "\xEF\xBB\xBF", 3) == 0) {
            line += 3; // a byte-order mark opens the stream
            size -= 3;
        }
        if (size > LINE_CAP) return LINE_TOO_LONG;
        *text = line;
        *length = size;
        return LINE_READY;
    }
}

// ---- One input ----------------------------------------------------------------------------

int ReadInputLine(const char* text, size_t length, bool argument, PuzzleItem* item,
                  std::string* why) {
    if (!argument) {
        size_t blanks = 0;
        while (blanks < length &&
               (text[blanks] == ' ' || text[blanks] == '\t' || text[blanks] == '\r'))
            blanks++;
        if (blanks == length || text[0] == '#') return INPUT_SKIP;
    }
    char reason[PUZZLE_WHY_SIZE];
    const int start = ReadPuzzleLine(text, length, item->cells, reason);
    if (start < 0) {
        item->text.assign(text, length);
        *why = reason;
        return INPUT_BAD;
    }
    item->text.assign(text + start, 81);
    return INPUT_PUZZLE;
}

// ---- Sources ------------------------------------------------------------------------------

int OpenInput(const std::string& name, std::string* why) {
    int fd = name == "-" ? 0 : open(name.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (fd >= 0 && fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        if (fd > 0) close(fd);
        errno = EISDIR;
        fd = -1;
    }
    if (fd < 0) *why = std::strerror(errno);
    return fd;
}

PuzzleInput::~PuzzleInput() {
    CloseFile();
}

void PuzzleInput::CloseFile() {
    if (fd_ > 0) close(fd_);
    fd_ = -1;
}

int PuzzleInput::Next(PuzzleItem* item, std::string* why, bool block) {
    for (;;) {
        if (fd_ < 0) { // the next source
            if (next_ == sources_.size()) return NEXT_END;
            const InputSource& source = sources_[next_++];
            if (!source.file) {
                item->origin = "argument " + std::to_string(++arguments_);
                if (ReadInputLine(source.text.data(), source.text.size(), true, item, why) ==
                    INPUT_BAD)
                    return NEXT_BAD;
                item->number = puzzles_++;
                return NEXT_PUZZLE;
            }
            name_ = source.text;
            fd_ = OpenInput(name_, why);
            if (fd_ < 0) {
                *why = name_ + ": cannot open the file: " + *why;
                return NEXT_FAILED;
            }
            struct stat info;
            regular_ = fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
            lines_.Reset();
        }
        const char* text;
        size_t length;
        const int line = lines_.Next(&text, &length);
        if (line != LineSplitter::LINE_NONE) {
            item->origin = name_ + ":" + std::to_string(lines_.Number());
            if (line == LineSplitter::LINE_TOO_LONG) {
                item->text.clear();
                *why = "line too long (more than " + std::to_string(LINE_CAP) + " bytes)";
                return NEXT_BAD;
            }
            const int read = ReadInputLine(text, length, false, item, why);
            if (read == INPUT_SKIP) continue;
            if (read == INPUT_BAD) return NEXT_BAD;
            item->number = puzzles_++;
            return NEXT_PUZZLE;
        }
        if (lines_.Finished()) {
            CloseFile();
            continue;
        }
        if (!block && !regular_) {
            pollfd ready = {fd_, POLLIN, 0};
            if (poll(&ready, 1, 0) == 0) return NEXT_WAIT;
        }
        size_t room;
        char* space = lines_.Space(&room);
        const ssize_t n = read(fd_, space, room);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *why = name_ + ": cannot read the file: " + std::strerror(errno);
            CloseFile();
            return NEXT_FAILED;
        }
        if (n == 0)
            lines_.End();
        else
            lines_.Added(size_t(n));
    }
}

long long CountInputs(const std::vector<InputSource>& sources) {
    long long count = 0;
    static LineSplitter lines;
    for (const InputSource& source : sources) {
        if (!source.file) {
            count++;
            continue;
        }
        if (source.text == "-") return -1;
        std::string why;
        const int fd = OpenInput(source.text, &why);
        struct stat info;
        if (fd < 0) continue; // reported when it is reached
        if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            close(fd);
            return -1;
        }
        lines.Reset();
        PuzzleItem item;
        for (;;) {
            const char* text;
            size_t length;
            const int line = lines.Next(&text, &length);
            if (line == LineSplitter::LINE_READY)
                count += ReadInputLine(text, length, false, &item, &why) != INPUT_SKIP;
            else if (line == LineSplitter::LINE_TOO_LONG)
                count++;
            else if (lines.Finished())
                break;
            else {
                size_t room;
                char* space = lines.Space(&room);
                const ssize_t n = read(fd, space, room);
                if (n <= 0)
                    lines.End();
                else
                    lines.Added(size_t(n));
            }
        }
        close(fd);
    }
    return count;
}

// A new game's givens: the cells as bare digits, the history empty.
static void LoadGivens(Game* G, const uint8_t cells[81]) {
    for (int i = 0; i < 81; i++) G->Board[i] = cells[i] & CELL_DIGIT;
    ResetPosition(G);
}

std::unique_ptr<Game> NewPuzzleGame(const uint8_t cells[81]) {
    auto G = std::make_unique<Game>();
    LoadGivens(G.get(), cells);
    return G;
}

std::unique_ptr<Session> NewGameSession(const uint8_t cells[81]) {
    auto S = std::make_unique<Session>();
    LoadGivens(S.get(), cells);
    return S;
}
