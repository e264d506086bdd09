// The block reader every file reader shares: a descriptor opened without waiting on a pipe or
// device (anything but a regular file is refused), read 64 KiB at a time, byte by byte or line
// by line, with progress reports for long scans. Data: the FileReader record; one error text
// per thread. Invariant: at <= filled <= READ_BLOCK_SIZE, and nothing at limit or past it is read.
#include "files/filereader.h"
#include "model/hooks.h"
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Why the last open for reading failed, "" after one that succeeded.
static thread_local char OpenErrorText[PATH_MAX + 64];

int64_t RealTimeNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void FormatFileError(char* text, const char* what, const char* path, const char* reason) {
    const size_t length = std::strlen(path);
    if (length < PATH_MAX)
        std::snprintf(text, PATH_MAX + 64, "%s %s: %s", what, path, reason);
    else
        std::snprintf(text, PATH_MAX + 64, "%s %.200s...%s: %s", what, path, path + length - 200,
                      reason);
}

// Sets LastOpenError for path and error (an errno value, EINVAL for "not a regular file");
// returns -1 with errno = error.
static int ReportOpenError(const char* path, int error) {
    FormatFileError(OpenErrorText, "cannot open", path,
                    error == EINVAL ? "not a regular file" : std::strerror(error));
    errno = error;
    return -1;
}

const char* LastOpenError() {
    return OpenErrorText;
}

int OpenForReading(const char* path, FileIdentity* identity) {
    // O_NONBLOCK: a FIFO or a device opens at once instead of waiting for its other end.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return ReportOpenError(path, errno);
    struct stat s = {};
    int error = fstat(fd, &s) != 0 ? errno : S_ISDIR(s.st_mode) ? EISDIR : 0;
    if (!error && !S_ISREG(s.st_mode)) error = EINVAL; // a FIFO, device or socket
    // Reads of a regular file never wait; the flag is cleared all the same.
    if (!error && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) error = errno;
    if (error) {
        close(fd);
        return ReportOpenError(path, error);
    }
    if (identity) {
        identity->device = uint64_t(s.st_dev);
        identity->inode = uint64_t(s.st_ino);
        identity->size = int64_t(s.st_size);
        identity->modified = int64_t(s.st_mtim.tv_sec) * 1000000000 + s.st_mtim.tv_nsec;
    }
    OpenErrorText[0] = 0;
    return fd;
}

bool OpenReader(FileReader* reader, const char* path, FileIdentity* identity) {
    FileIdentity file;
    reader->fd = OpenForReading(path, &file);
    if (reader->fd < 0) return false;
    reader->size = file.size;
    if (identity) *identity = file;
    return true;
}

bool Refill(FileReader* r) {
    r->start += r->filled;
    r->at = r->filled = 0;
    if (r->cancelled || r->start >= r->limit) return false;
    if (r->start >= r->nextReport) {
        r->reported = true;
        r->nextReport += PROGRESS_STEP;
        if (r->progress && !ShellProgress(r->progress, r->start, r->size)) {
            r->cancelled = true;
            return false;
        }
    }
    const int64_t left = r->limit - r->start;
    ssize_t n;
    do {
        n = read(r->fd, r->block, size_t(left < READ_BLOCK_SIZE ? left : READ_BLOCK_SIZE));
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return false;
    r->filled = int(n);
    return true;
}

void SeekReader(FileReader* r, int64_t offset) {
    if (offset >= r->start && offset <= r->start + r->filled) { // within the block read
        r->at = int(offset - r->start);
        return;
    }
    lseek(r->fd, offset, SEEK_SET);
    r->start = offset;
    r->at = r->filled = 0;
}

int ReadTextLine(FileReader* r, uint8_t* buffer, int max, bool* longer) {
    int n = 0;
    *longer = false;
    int c = NextByte(r);
    if (c < 0) {
        buffer[0] = 0;
        return -1;
    }
    for (; c > 0 && c != '\n'; c = NextByte(r)) {
        if (c == '\r') {
            if ((r->at < r->filled || Refill(r)) && r->block[r->at] == '\n') r->at++;
            break;
        }
        if (n == max) {
            r->at--; // the byte just read stays for SkipLine
            *longer = true;
            break;
        }
        buffer[n++] = uint8_t(c);
    }
    buffer[n] = 0;
    return n;
}

void SkipLine(FileReader* r) {
    uint8_t rest[64];
    bool longer = true;
    while (longer && ReadTextLine(r, rest, int(sizeof rest) - 1, &longer) >= 0) {}
}
