// Replacing a file whole: the new bytes are written to a file without a name in the target's
// folder (O_TMPFILE; a named temporary where the file system has none), synced, then linked
// in as a new file or renamed over the old one, so a reader sees the old file or the new one,
// never a part. Data: one error text per thread. Invariant: no temporary outlives its save; a
// helper process removes the name of one whose saver was killed (TemporaryGuard).
#include "files/replacefile.h"
#include "files/filereader.h"
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Why the last save failed, "" after a save that succeeded (truncated past its size); like
// errno, one per thread.
static thread_local char SaveErrorText[PATH_MAX + 64];
// Links followed from a save's path to the file written, as the system's own limit.
static constexpr int MAX_LINKS = 40;

const char* LastSaveError() {
    return SaveErrorText;
}

// The folder part of target into folder (PATH_MAX bytes): "." for a bare name, "/" at the root.
// Returns the name that follows it.
static const char* SplitFolder(const char* target, char* folder) {
    const char* slash = std::strrchr(target, '/');
    const size_t length = !slash ? 0 : slash == target ? 1 : size_t(slash - target);
    if (length == 0) {
        std::strcpy(folder, ".");
    } else {
        std::memcpy(folder, target, length);
        folder[length] = 0;
    }
    return slash ? slash + 1 : target;
}

// A link planted by another user in a shared folder: not followed (ReportSaveError's reason).
static constexpr int LINK_NOT_FOLLOWED = -1;

int ReportSaveError(const char* path, int error) {
    const char* reason = error == LINK_NOT_FOLLOWED
                             ? "a link in a shared folder, owned by another user, is not followed"
                         : error ? std::strerror(error)
                                 : "not a regular file";
    FormatFileError(SaveErrorText, "cannot write", path, reason);
    return 0;
}

// Whether the link whose own details are in link, at path, may be followed: as the system's
// protected_symlinks rule has it, not when it lies in a sticky, world-writable folder (such as
// /tmp) and belongs neither to the saver nor to the folder's owner. That rule holds for the
// system's own path walk; a save that follows the final link itself must apply it too.
static bool MayFollowLink(const char* path, const struct stat& link) {
    if (link.st_uid == geteuid()) return true;
    char folder[PATH_MAX];
    SplitFolder(path, folder);
    struct stat dir = {};
    if (stat(folder, &dir) != 0) return false; // cannot tell: not followed
    const bool shared = (dir.st_mode & S_ISVTX) && (dir.st_mode & S_IWOTH);
    return !shared || dir.st_uid == link.st_uid;
}

// Follows symbolic links from path to the name they finally lead to, which need not exist yet
// (the save then creates it), refusing at any hop a link the system would not follow
// (MayFollowLink). Fills target (PATH_MAX bytes); returns 0, an errno value, or
// LINK_NOT_FOLLOWED.
static int ResolveLinks(const char* path, char* target) {
    const size_t length = std::strlen(path);
    if (length >= PATH_MAX) return ENAMETOOLONG;
    std::memcpy(target, path, length + 1);
    for (int links = 0; links < MAX_LINKS; links++) {
        struct stat self = {};
        if (lstat(target, &self) != 0) return errno == ENOENT ? 0 : errno; // a new file
        if (!S_ISLNK(self.st_mode)) return 0;
        if (!MayFollowLink(target, self)) return LINK_NOT_FOLLOWED;
        char link[PATH_MAX];
        const ssize_t n = readlink(target, link, sizeof link);
        // Replaced by a file meanwhile? Only the link's owner or the folder's could have.
        if (n < 0) return errno == EINVAL || errno == ENOENT ? 0 : errno;
        if (n >= PATH_MAX) return ENAMETOOLONG;
        // A relative link starts from the folder that holds it.
        const char* slash = std::strrchr(target, '/');
        const size_t keep = link[0] == '/' || !slash ? 0 : size_t(slash - target + 1);
        if (keep + size_t(n) >= PATH_MAX) return ENAMETOOLONG;
        std::memcpy(target + keep, link, size_t(n));
        target[keep + size_t(n)] = 0;
    }
    return ELOOP;
}

// Temporary files of ours: ".quadrivo-PID-XXXXXXXXXXXX.tmp", beside the file they replace.
// Older versions named them ".quadrivo-XXXXXXXXXXXX.tmp", without the process id.
static constexpr char TEMPORARY_PREFIX[] = ".quadrivo-";
static constexpr int TEMPORARY_NAME_SIZE = 64;
// A temporary of an older version left this long (seconds) belongs to no save in progress.
static constexpr int64_t STALE_SECONDS = 3600;

// Twelve hex digits that tell apart the names of one process's temporaries.
static uint64_t NameBits() {
    static std::atomic<uint64_t> counter; // tells apart saves within one clock tick, on any thread
    uint64_t x =
        uint64_t(RealTimeNs()) ^ uint64_t(getpid()) << 40 ^ ++counter * 0x9E3779B97F4A7C15u;
    x = (x ^ x >> 33) * 0xFF51AFD7ED558CCDu; // mixed, so names do not follow one another
    return (x ^ x >> 33) & 0xFFFFFFFFFFFFu;
}

// Reads the name of one of our temporaries: the process id that made it, 0 for one of an
// older version, -1 for any other name.
static long TemporaryOwner(const char* name) {
    const size_t prefix = sizeof TEMPORARY_PREFIX - 1;
    if (std::strncmp(name, TEMPORARY_PREFIX, prefix) != 0) return -1;
    const char* p = name + prefix;
    long pid = 0;
    if (std::strlen(p) > 17 && p[0] >= '1' && p[0] <= '9') { // "PID-" first
        while (*p >= '0' && *p <= '9' && pid < 1L << 30) pid = pid * 10 + (*p++ - '0');
        if (*p++ != '-') return -1;
    }
    for (int i = 0; i < 12; i++, p++)
        if (!((*p >= '0' && *p <= '9') || (*p >= 'a' && *p <= 'f'))) return -1;
    return std::strcmp(p, ".tmp") == 0 ? pid : -1;
}

// Removes the temporaries of ours in the folder dir that a save killed halfway left behind:
// regular files of this user whose process has ended (an older version's: an hour old).
// Nothing is reported; a folder that cannot be listed is left as it is.
static void RemoveStaleTemporaries(int dir) {
    const int listing = openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return;
    DIR* entries = fdopendir(listing);
    if (!entries) {
        close(listing);
        return;
    }
    const int64_t now = RealTimeNs() / 1000000000;
    while (const dirent* entry = readdir(entries)) {
        const long pid = TemporaryOwner(entry->d_name);
        struct stat s = {};
        if (pid < 0 || fstatat(dir, entry->d_name, &s, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(s.st_mode) || s.st_uid != geteuid()) continue;
        // still being written? (a process of another user counts as running)
        if (pid > 0 ? kill(pid_t(pid), 0) == 0 || errno != ESRCH
                    : now - int64_t(s.st_mtim.tv_sec) < STALE_SECONDS)
            continue;
        unlinkat(dir, entry->d_name, 0);
    }
    closedir(entries);
}

// Makes a name for one of our temporaries in name (TEMPORARY_NAME_SIZE bytes).
static void MakeTemporaryName(char* name) {
    std::snprintf(name, TEMPORARY_NAME_SIZE, "%s%d-%012llx.tmp", TEMPORARY_PREFIX, int(getpid()),
                  (unsigned long long)NameBits());
}

// Gives the file open as fd, made without a name (O_TMPFILE), the name name in the folder dir;
// an existing name is never replaced. Returns 0, or an errno value (EEXIST: the name is taken).
static int LinkUnnamed(int fd, int dir, const char* name) {
    char self[32];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    if (linkat(AT_FDCWD, self, dir, name, AT_SYMLINK_FOLLOW) == 0) return 0;
    // Without /proc: the descriptor itself, which only a privileged saver may link.
    if (errno == ENOENT && linkat(fd, "", dir, name, AT_EMPTY_PATH) == 0) return 0;
    return errno;
}

// A helper process that removes the temporary name of a save when the saver dies before the
// rename, killed at any point: no signal, SIGKILL included, then leaves that name behind. The
// saver tells it each name before making it, and "" once nothing is left to remove; the helper
// removes the last name told when its socket closes. A helper that cannot start is done
// without (the next save in that folder removes what is left).
struct TemporaryGuard {
    int socket = -1;
    pid_t pid = -1;
};

static void TellGuard(const TemporaryGuard* guard, const char* name) {
    char message[TEMPORARY_NAME_SIZE] = {};
    std::snprintf(message, sizeof message, "%s", name);
    if (guard->socket >= 0) send(guard->socket, message, sizeof message, MSG_NOSIGNAL);
}

static void StartGuard(TemporaryGuard* guard, int dir) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return;
    const pid_t pid = fork();
    if (pid == 0) { // only async-signal-safe calls from here: the saver may have threads
        close(ends[0]);
        setsid(); // a kill of the saver's process group leaves it
        char name[TEMPORARY_NAME_SIZE] = {}, message[TEMPORARY_NAME_SIZE];
        for (;;) {
            const ssize_t n = read(ends[1], message, sizeof message);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break; // the saver closed its end, or died
            std::memcpy(name, message, sizeof name);
            name[sizeof name - 1] = 0;
        }
        if (name[0]) unlinkat(dir, name, 0);
        _exit(0);
    }
    close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        return;
    }
    guard->socket = ends[0];
    guard->pid = pid;
}

// The save is over, its temporary renamed or removed: the helper ends without removing.
static void EndGuard(TemporaryGuard* guard) {
    if (guard->pid < 0) return;
    TellGuard(guard, "");
    close(guard->socket);
    while (waitpid(guard->pid, nullptr, 0) < 0 && errno == EINTR) {}
    guard->pid = -1;
}

// Creates a new named temporary file in the folder dir, exclusively and without following a
// link planted there (O_EXCL never opens an existing name); its name goes to name, and to the
// guard first. Returns the descriptor, or -1 with errno set.
static int CreateNamedTemporary(const TemporaryGuard* guard, int dir, mode_t mode, char* name) {
    for (int attempt = 0; attempt < 100; attempt++) {
        MakeTemporaryName(name);
        TellGuard(guard, name);
        const int fd =
            openat(dir, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            if (fd < 0) name[0] = 0;
            return fd;
        }
    }
    name[0] = 0;
    return -1; // every name taken: errno is EEXIST
}

// Writes the whole of data, going on after interrupted or partial writes: 0, or an errno value.
static int WriteAll(int fd, const uint8_t* data, int size) {
    for (int done = 0; done < size;) {
        const ssize_t n = write(fd, data + done, size_t(size - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        done += int(n);
    }
    return 0;
}

// Gives the temporary file the replaced file's owner and group where the saver may (root, or a
// group it belongs to), then its mode: 0, or an errno value.
static int KeepOwnerAndMode(int fd, const struct stat& old) {
    if ((old.st_uid != geteuid() || old.st_gid != getegid()) &&
        fchown(fd, old.st_uid, old.st_gid) != 0 && fchown(fd, uid_t(-1), old.st_gid) != 0) {
        // neither allowed: the file belongs to the saver, like any file it creates
    }
    return fchmod(fd, old.st_mode & 07777) == 0 ? 0 : errno;
}

// Puts the new file in the folder dir under name: written, given old's owner and mode (when
// old is not null; else newMode less the umask) and synced first. The file is made without a
// name (O_TMPFILE) and, when name is new, linked there at once; a file replaced gets a
// temporary name that is renamed over it. Where the file system cannot make a file without a
// name, it is named from the start. A temporary name is watched by a TemporaryGuard while it
// exists, so a save killed at any point leaves the old file or the new one and nothing else.
// Returns 0, or an errno value (the old file untouched, no temporary left).
static int PlaceFile(int dir, const char* name, const uint8_t* data, int size,
                     const struct stat* old, int newMode) {
    const mode_t mode = old ? 0600 : mode_t(newMode);
    TemporaryGuard guard;
    char temporary[TEMPORARY_NAME_SIZE] = {};
    int fd = openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    const bool unnamed = fd >= 0;
    if (!unnamed) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
        StartGuard(&guard, dir);
        fd = CreateNamedTemporary(&guard, dir, mode, temporary);
        if (fd < 0) {
            const int error = errno;
            EndGuard(&guard);
            return error;
        }
    }
    int error = WriteAll(fd, data, size);
    if (!error && old) error = KeepOwnerAndMode(fd, *old);
    // On the disk before it replaces the old file: a power cut leaves one or the other whole.
    if (!error && fsync(fd) != 0) error = errno;
    bool placed = false;
    if (!error && unnamed && !old) { // a new name: the file appears there whole, at once
        error = LinkUnnamed(fd, dir, name);
        placed = error == 0;
        if (error == EEXIST) error = 0; // made meanwhile: replaced like any other
    }
    if (!error && unnamed && !placed) {
        StartGuard(&guard, dir);
        for (int attempt = 0; attempt < 100; attempt++) {
            MakeTemporaryName(temporary);
            TellGuard(&guard, temporary);
            error = LinkUnnamed(fd, dir, temporary);
            if (error != EEXIST) break;
        }
        if (error) temporary[0] = 0;
    }
    if (!error && !placed && renameat(dir, temporary, dir, name) != 0) error = errno;
    if (error && temporary[0]) unlinkat(dir, temporary, 0);
    if (close(fd) != 0 && !error && !placed) error = errno;
    EndGuard(&guard);
    return error;
}

int ReplaceFile(const char* path, const uint8_t* data, int size, int newMode) {
    SaveErrorText[0] = 0;
    if (!path[0]) return ReportSaveError(path, ENOENT);
    char target[PATH_MAX], folder[PATH_MAX];
    int error = ResolveLinks(path, target);
    if (error) return ReportSaveError(path, error);
    struct stat old = {};
    const bool exists = lstat(target, &old) == 0;
    if (!exists && errno != ENOENT) return ReportSaveError(path, errno);
    // A folder, device, pipe or socket is neither replaced by a file nor written into.
    if (exists && !S_ISREG(old.st_mode)) return ReportSaveError(path, 0);
    // A file the user may not write stays, as it would for a shell's write; the rename itself
    // would need only the folder's permission.
    if (exists && faccessat(AT_FDCWD, target, W_OK, AT_EACCESS) != 0 && errno != ENOENT)
        return ReportSaveError(path, errno);

    // Names are made relative to the folder, so a target of up to PATH_MAX - 1 bytes is saved
    // although the temporary's name is longer than its own. A folder the user may write but
    // not list is used as it is, without the sync.
    const char* name = SplitFolder(target, folder);
    bool syncFolder = true;
    int dir = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0 && errno == EACCES) {
        dir = open(folder, O_PATH | O_DIRECTORY | O_CLOEXEC);
        syncFolder = false;
    }
    if (dir < 0) return ReportSaveError(path, errno);
    RemoveStaleTemporaries(dir);
    error = PlaceFile(dir, name, data, size, exists ? &old : nullptr, newMode);
    if (error) {
        close(dir);
        return ReportSaveError(path, error);
    }
    // The rename itself reaches the disk with the folder; a file system that cannot sync
    // folders (EINVAL) is left as it is.
    if (syncFolder && fsync(dir) != 0 && errno != EINVAL) error = errno;
    close(dir);
    return error ? ReportSaveError(path, error) : 1;
}
