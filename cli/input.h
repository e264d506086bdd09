// quadrivo-cli's input: puzzle arguments and the lines of -f files in command-line order, read as
// a stream in fixed memory (a line longer than LINE_CAP is reported and skipped, never kept), and
// each input read strictly into a puzzle or the reason it is not one. No CLI11 here: the fuzz
// target of the reader builds this alone.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Game;
struct Session;

constexpr size_t LINE_CAP = 4096;         // longest line kept, without its line end
constexpr size_t LINE_BUFFER = 64 * 1024; // the splitter's buffer

// Splits a byte stream into lines inside one fixed buffer. Lines end at LF; a CR before the LF
// and a UTF-8 byte-order mark at the start of the stream are dropped. The caller reads into
// Space, tells Added (or End at the end of the stream) and takes lines with Next.
class LineSplitter {
  public:
    enum { LINE_NONE, LINE_READY, LINE_TOO_LONG };
    // Where the next bytes go and how many fit: more than LINE_CAP once Next said LINE_NONE.
    char* Space(size_t* room);
    void Added(size_t count);
    void End();
    // LINE_READY with the line (valid until the next call), LINE_TOO_LONG for a line over
    // LINE_CAP (its rest is skipped as it arrives), or LINE_NONE: more bytes are needed, or the
    // stream ended and every line was taken. Number() is the line's number, from 1.
    int Next(const char** text, size_t* length);
    long long Number() const { return number_; }
    bool Finished() const { return ended_ && begin_ == end_; }
    void Reset() { begin_ = end_ = scanned_ = 0, number_ = 0, skipping_ = ended_ = false; }

  private:
    char buffer_[LINE_BUFFER];
    size_t begin_ = 0, end_ = 0, scanned_ = 0; // unread bytes, and how far a line end was sought
    long long number_ = 0;
    bool skipping_ = false, ended_ = false;
};

// One puzzle to process: its 81 cell bytes (bare digits), the text given and where it came from.
struct PuzzleItem {
    uint8_t cells[81];
    std::string text;    // the 81 characters; for a bad input the line when kept
    std::string origin;  // "argument 2" or "FILE:LINE"
    uint64_t number = 0; // how many puzzles came before it
};

// One line or argument: a puzzle (cells and text filled), a line to skip (blank or starting with
// '#', arguments are never skipped), or a bad input with the reason in *why.
enum { INPUT_PUZZLE, INPUT_SKIP, INPUT_BAD };
int ReadInputLine(const char* text, size_t length, bool argument, PuzzleItem* item,
                  std::string* why);

// A puzzle argument or a -f file ("-" is standard input), as given on the command line.
struct InputSource {
    bool file;
    std::string text;
};

// Opens a file for reading ("-" is standard input); -1 with the system's reason in *why (a
// folder says "Is a directory").
int OpenInput(const std::string& name, std::string* why);

// The inputs of the command line one by one, in order; a file is opened when it is reached.
class PuzzleInput {
  public:
    enum {
        NEXT_PUZZLE, // *item is a puzzle
        NEXT_BAD,    // *item holds the origin (and the text, when kept) of a bad input, *why why
        NEXT_FAILED, // a file could not be opened or read: *why is the whole message
        NEXT_WAIT,   // nothing can be read without waiting: poll WaitFd()
        NEXT_END,
    };
    explicit PuzzleInput(const std::vector<InputSource>& sources) : sources_(sources) {}
    ~PuzzleInput();
    PuzzleInput(const PuzzleInput&) = delete;
    PuzzleInput& operator=(const PuzzleInput&) = delete;
    // The next input; with block false, reads only what is there already.
    int Next(PuzzleItem* item, std::string* why, bool block);
    int WaitFd() const { return fd_; }

  private:
    void CloseFile();
    const std::vector<InputSource>& sources_;
    size_t next_ = 0;   // the next source to open
    int arguments_ = 0; // puzzle arguments met so far
    uint64_t puzzles_ = 0;
    int fd_ = -1;
    bool regular_ = false;
    std::string name_;
    LineSplitter lines_;
};

// How many inputs the sources hold when every file is a regular one (lines counted as they will
// be read), else -1.
long long CountInputs(const std::vector<InputSource>& sources);

// A new game holding cells as its givens (bare digits), with an empty history.
std::unique_ptr<Game> NewPuzzleGame(const uint8_t cells[81]);
// The same as a new session, with an analysis, for a command that analyses the position.
std::unique_ptr<Session> NewGameSession(const uint8_t cells[81]);
