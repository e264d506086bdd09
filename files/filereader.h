// The block reader of the file readers: opening without blocking, reading 64 KiB at a time,
// and the error texts "cannot open PATH: REASON" that readers and writers share.
#pragma once
#include "model/game.h"
#include <climits>
#include <cstdint>

constexpr int LINE_BUFFER_SIZE = 256; // one file line or record field; the rest is never stored

// Files are read in blocks of this size.
constexpr int READ_BLOCK_SIZE = 64 * 1024;
// A collection scan reports its progress every this many bytes; a smaller file gets none.
constexpr int64_t PROGRESS_STEP = 4 << 20;

// One file read in blocks. Bytes at limit and past it read as the end of the file.
struct FileReader {
    int fd = -1;
    int at = 0, filled = 0;         // next byte of block, bytes in block
    int64_t start = 0;              // file offset of block[0]
    int64_t limit = INT64_MAX;      // where reading stops
    int64_t size = 0;               // of the file when opened: the progress total
    int64_t nextReport = INT64_MAX; // offset of the next progress report
    bool reported = false;          // a progress report was made
    bool cancelled = false;         // the user cancelled in a progress report: the end
    const Game* progress = nullptr; // the game whose shell hears of the scan (a count only)
    uint8_t block[READ_BLOCK_SIZE];
};

// Opens an existing regular file for reading without waiting on the other end of a pipe or
// device; anything but a regular file is refused. Returns the descriptor (blocking, closed on
// exec), its identity in identity (may be null); -1 when refused, with LastOpenError set and
// errno the reason (EINVAL for a file that is not a regular file).
int OpenForReading(const char* path, FileIdentity* identity);
// Why the last OpenForReading failed: "cannot open PATH: REASON"; "" after one that succeeded.
const char* LastOpenError();

// Opens path into reader; false when it cannot be opened (LastOpenError).
bool OpenReader(FileReader* reader, const char* path, FileIdentity* identity);
// Reads the next block; false at the end, on a read error (taken as the end) and when the
// user cancels in the progress report that falls due here.
bool Refill(FileReader* r);
// The next byte, or -1 at the end.
inline int NextByte(FileReader* r) {
    if (r->at == r->filled && !Refill(r)) return -1;
    return r->block[r->at++];
}
// The next byte, or 0 at the end of the file, on a read error and for a zero byte.
inline int ReadFileByte(FileReader* r) {
    const int c = NextByte(r);
    return c < 0 ? 0 : c;
}
inline int64_t ReaderOffset(const FileReader* r) {
    return r->start + r->at;
}
// Moves the next byte read to offset.
void SeekReader(FileReader* r, int64_t offset);
// One line into buffer (room for max + 1), zero-terminated. A line ends at LF, at CR, at CR LF
// (one line end) or at a zero byte; the end is read with it. A line longer than max leaves its
// rest unread and sets *longer (SkipLine reads past it). Returns the number of bytes stored, -1
// at the end of the file.
int ReadTextLine(FileReader* r, uint8_t* buffer, int max, bool* longer);
// Reads past the rest of the line and its end.
void SkipLine(FileReader* r);

// The wall clock in nanoseconds.
int64_t RealTimeNs();
// "WHAT PATH: REASON" into text (PATH_MAX + 64 bytes); a path too long for it is shown by its
// start and end, so the reason is always there.
void FormatFileError(char* text, const char* what, const char* path, const char* reason);
