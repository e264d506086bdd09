// Saving games and the settings file: links written through, permissions kept, data synced
// before and after the rename, every failure reported with its reason while the old file stays,
// read-only files kept (when not root), nothing left by a save killed halfway, paths up to the
// system's limit. Each case runs through both savers.
#include "files/gamefile.h"
#include "files/replacefile.h"
#include "files/settings.h"
#include "model/history.h"
#include "tests/support.h"
#include <csignal>
#include <cstdarg>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
// One fsync as the saver issued it: what the descriptor was and what the target held then.
struct SyncRecord {
    bool folder;
    dev_t dev;
    ino_t ino;
    off_t size;
    ino_t targetIno; // 0 when the target did not exist
};
std::vector<SyncRecord> Syncs;
std::string SyncTarget; // recording is on while this is set
// A kill landing in a save, made to land at one call: the file's fsync or the rename.
enum class KillPoint { None, Sync, Rename };
KillPoint KillAt = KillPoint::None;
bool NoUnnamedFiles = false; // openat refuses O_TMPFILE, as some file systems do
} // namespace

// Stands in for the C library's openat in this test program: the real call, unless a test
// asks for a file system without files made without a name.
extern "C" int openat(int dir, const char* name, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list rest;
        va_start(rest, flags);
        mode = va_arg(rest, mode_t);
        va_end(rest);
    }
    if (NoUnnamedFiles && (flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return int(syscall(SYS_openat, dir, name, flags, mode));
}

// Stands in for renameat, to kill the saver right before it renames its temporary.
extern "C" int renameat(int fromDir, const char* from, int toDir, const char* to) {
    if (KillAt == KillPoint::Rename) raise(SIGKILL);
    return int(syscall(SYS_renameat2, fromDir, from, toDir, to, 0));
}

// Stands in for the C library's fsync in this test program, recording each call while a test
// watches a target, then syncing for real.
extern "C" int fsync(int fd) {
    if (KillAt == KillPoint::Sync) raise(SIGKILL);
    if (!SyncTarget.empty()) {
        struct stat self = {}, target = {};
        fstat(fd, &self);
        if (stat(SyncTarget.c_str(), &target) != 0) target.st_ino = 0;
        Syncs.push_back(
            {S_ISDIR(self.st_mode), self.st_dev, self.st_ino, self.st_size, target.st_ino});
    }
    return int(syscall(SYS_fsync, fd));
}

namespace {
// The two savers, and the mode of a file each creates, before the umask.
struct Saver {
    const char* name;
    int (*save)(const std::string& path);
    mode_t newMode;
};
const Saver SAVERS[] = {
    {"game", [](const std::string& path) { return SaveGameFile(S, path.c_str()); }, 0666},
    {"settings",
     [](const std::string& path) { return SetSettingsPath(path.c_str()), SaveSettings(S); }, 0600},
};

class Saving : public FileTest {
  protected:
    void SetUp() override {
        FileTest::SetUp();
        LoadGivens(SAMPLE_PUZZLE);
        EnterDigit(S, 1, 1);
    }
    // What the saver writes, from a save onto a plain new file.
    std::string Expected(const Saver& saver) {
        EXPECT_EQ(saver.save(Path("plain")), 1) << saver.name;
        std::string bytes = ReadBytes(Path("plain"));
        fs::remove(Path("plain"));
        return bytes;
    }
    // The names in a folder of the test's scratch folder ("" for the folder itself).
    std::set<std::string> Names(const char* sub = "") const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder + "/" + sub))
            names.insert(entry.path().filename().string());
        return names;
    }
    static struct stat Stat(const std::string& path) {
        struct stat s = {};
        EXPECT_EQ(stat(path.c_str(), &s), 0) << path;
        return s;
    }
};

// Links are followed (relative, absolute, chained, dangling) and stay links; no temporary file
// is left.
TEST_F(Saving, SymlinkedTargetIsWrittenThrough) {
    for (const Saver& saver : SAVERS) {
        SCOPED_TRACE(saver.name);
        const std::string bytes = Expected(saver);
        fs::create_directory(Path("d"));
        Write("d/real", "old");
        fs::create_symlink("d/real", Path("game.txt"));        // relative, to an existing file
        fs::create_symlink(Path("game.txt"), Path("d/chain")); // absolute, to another link
        fs::create_symlink("../d/new", Path("d/dangling"));    // to a file not yet there
        for (const char* link : {"game.txt", "d/chain", "d/dangling"}) {
            EXPECT_EQ(saver.save(Path(link)), 1) << link;
            EXPECT_TRUE(fs::is_symlink(Path(link))) << link;
        }
        EXPECT_TRUE(ReadBytes(Path("d/real")) == bytes && ReadBytes(Path("d/new")) == bytes);
        EXPECT_EQ(Names(), (std::set<std::string>{"d", "game.txt"}));
        EXPECT_EQ(Names("d"), (std::set<std::string>{"chain", "dangling", "new", "real"}));
        fs::remove_all(Path("d"));
        fs::remove(Path("game.txt"));
    }
}

// A replaced file keeps its mode (and, when the saver may, its owner); a new saved game gets
// what the umask allows, a new settings file stays private.
TEST_F(Saving, PermissionsAreKeptAndANewSettingsFileIsPrivate) {
    const mode_t umaskNow = umask(0);
    umask(umaskNow);
    const bool root = geteuid() == 0;
    const std::string path = Path("s.txt");
    for (const Saver& saver : SAVERS) {
        SCOPED_TRACE(saver.name);
        for (mode_t mode : {0600, 0640, 0664}) {
            Write("s.txt", "old");
            chmod(path.c_str(), mode);
            ASSERT_TRUE(!root || chown(path.c_str(), 4321, 4322) == 0);
            EXPECT_EQ(saver.save(path), 1);
            const struct stat s = Stat(path);
            EXPECT_EQ(s.st_mode & 07777, mode);
            EXPECT_TRUE(!root || (s.st_uid == 4321u && s.st_gid == 4322u));
            fs::remove(path);
        }
        EXPECT_EQ(saver.save(path), 1);
        EXPECT_EQ(Stat(path).st_mode & 07777, saver.newMode & ~umaskNow);
        fs::remove(path);
    }
}

// The new file reaches the disk before it replaces the old one, and the folder after.
TEST_F(Saving, FileIsSyncedBeforeTheRenameAndTheFolderAfter) {
    const struct stat folderStat = Stat(folder);
    for (const Saver& saver : SAVERS) {
        SCOPED_TRACE(saver.name);
        const std::string bytes = Expected(saver);
        const std::string path = Write("s.txt", "old");
        const ino_t old = Stat(path).st_ino;
        Syncs.clear();
        SyncTarget = path;
        EXPECT_EQ(saver.save(path), 1);
        SyncTarget.clear();
        const ino_t now = Stat(path).st_ino;
        ASSERT_EQ(Syncs.size(), 2u);
        // The new file, written whole, not yet in place; then its folder, renamed by then.
        EXPECT_TRUE(!Syncs[0].folder && Syncs[0].ino == now && Syncs[0].targetIno == old);
        EXPECT_EQ(Syncs[0].size, off_t(bytes.size()));
        EXPECT_TRUE(Syncs[1].folder && Syncs[1].targetIno == now);
        EXPECT_TRUE(Syncs[1].dev == folderStat.st_dev && Syncs[1].ino == folderStat.st_ino);
    }
}

// A failed save returns 0, says why and where, leaves what was there and no temporary file.
TEST_F(Saving, FailedSaveReportsItsReasonAndKeepsTheOldFile) {
    Write("old.txt", "old contents");
    fs::create_directory(Path("dir"));
    fs::create_directory(Path("ro"));
    chmod(Path("ro").c_str(), 0555);
    Write("ro.txt", "read only");
    chmod(Path("ro.txt").c_str(), 0444); // a rename in its folder would replace it
    // A link to a pipe of our own: a save that wrongly took it for a file would replace that
    // pipe, never a device of the system's.
    mkfifo(Path("pipe").c_str(), 0600);
    fs::create_symlink("pipe", Path("pipe.txt"));
    fs::create_symlink("loop2", Path("loop1"));
    fs::create_symlink("loop1", Path("loop2"));
    const std::set<std::string> before = Names();
    const struct {
        const char* name;
        std::string reason;
        rlim_t sizeLimit; // writes past it fail with EFBIG, as on a full disk; 0: none
    } CASES[] = {
        {"old.txt", "File too large", 64},
        {"old.txt/g.txt", "Not a directory", 0},
        {"dir", "not a regular file", 0},
        {"pipe.txt", "not a regular file", 0}, // never replaced by a file, never written into
        {"loop1", "Too many levels of symbolic links", 0},
        {"ro/g.txt", "Permission denied", 0}, // not for root, whom a read-only folder lets in
        {"ro.txt", "Permission denied", 0},   // nor this
    };
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    for (const Saver& saver : SAVERS) {
        for (const auto& c : CASES) {
            if (geteuid() == 0 && c.name[0] == 'r') continue;
            SCOPED_TRACE(std::string(saver.name) + " " + c.name);
            const std::string path = Path(c.name);
            rlimit low = old;
            if (c.sizeLimit) low.rlim_cur = c.sizeLimit;
            setrlimit(RLIMIT_FSIZE, &low);
            EXPECT_EQ(saver.save(path), 0);
            setrlimit(RLIMIT_FSIZE, &old);
            EXPECT_EQ(std::string(LastSaveError()), "cannot write " + path + ": " + c.reason);
            EXPECT_EQ(Names(), before);
            EXPECT_TRUE(Names("ro").empty());
            EXPECT_EQ(ReadBytes(Path("old.txt")), "old contents");
            EXPECT_EQ(ReadBytes(Path("ro.txt")), "read only");
            std::error_code error;
            EXPECT_EQ(fs::read_symlink(Path("pipe.txt"), error), "pipe");
            EXPECT_TRUE(fs::is_fifo(Path("pipe")));
        }
        EXPECT_EQ(saver.save(Path("old.txt")), 1);
        EXPECT_STREQ(LastSaveError(), ""); // a success clears the reason
        Write("old.txt", "old contents");
    }
}

} // namespace

namespace {
// Makes a link at link to target as another user (nobody), as a planted link would be: true
// when made; false when the test does not run as root or the tool is missing.
bool LinkAsNobody(const std::string& target, const std::string& link) {
    if (geteuid() != 0) return false;
    const std::string command = "setpriv --reuid=65534 --regid=65534 --clear-groups ln -s '" +
                                target + "' '" + link + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

// A link another user planted in a sticky, world-writable folder is not followed, at any hop,
// whether it leads to a file or to a name not yet there; the saver's own link there is, and
// so is one of the folder's owner.
TEST_F(Saving, LinkOfAnotherUserInASharedFolderIsNotFollowed) {
    std::string shared = Path("shared-XXXXXX");
    ASSERT_NE(mkdtemp(shared.data()), nullptr);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    const std::string victim = Write("profile", "mine");
    if (!LinkAsNobody(victim, shared + "/board.png") ||
        !LinkAsNobody(Path("absent"), shared + "/dangling") ||
        !LinkAsNobody("own", shared + "/hop"))
        GTEST_SKIP() << "needs root and setpriv to plant a link as another user";
    fs::create_symlink("hop", shared + "/own-first"); // the saver's link to the planted one
    fs::create_symlink(victim, shared + "/own");
    for (const Saver& saver : SAVERS) {
        SCOPED_TRACE(saver.name);
        for (const char* name : {"board.png", "dangling", "own-first"}) {
            const std::string path = shared + "/" + name;
            EXPECT_EQ(saver.save(path), 0) << name;
            EXPECT_EQ(std::string(LastSaveError()),
                      "cannot write " + path +
                          ": a link in a shared folder, owned by another user, is not followed");
        }
        EXPECT_EQ(ReadBytes(victim), "mine");
        EXPECT_FALSE(fs::exists(Path("absent")));
        EXPECT_EQ(saver.save(shared + "/own"), 1);
        EXPECT_NE(ReadBytes(victim), "mine");
        Write("profile", "mine");
    }
    // The folder's owner may plant links in it that others follow.
    ASSERT_EQ(chown(shared.c_str(), 65534, 65534), 0);
    EXPECT_EQ(SaveGameFile(S, (shared + "/board.png").c_str()), 1) << LastSaveError();
    EXPECT_NE(ReadBytes(victim), "mine");
}

// A save killed while its file is open or just before the rename leaves the old file, or none
// when there was none, and no temporary of any name: with files made without a name, and on a
// file system without them, where the temporary is named from the start.
TEST_F(Saving, SaveKilledAtAnyPointLeavesNoTemporary) {
    const struct {
        KillPoint at;
        bool noUnnamed, exists;
    } CASES[] = {{KillPoint::Rename, false, true},
                 {KillPoint::Sync, true, true},
                 {KillPoint::Rename, true, false}};
    for (const Saver& saver : SAVERS) {
        for (const auto& c : CASES) {
            SCOPED_TRACE(std::string(saver.name) + " " + std::to_string(int(c.at)) +
                         (c.noUnnamed ? " named" : " unnamed") + (c.exists ? " replace" : " new"));
            if (c.exists) Write("s.txt", "old");
            const pid_t pid = fork();
            if (pid == 0) {
                KillAt = c.at;
                NoUnnamedFiles = c.noUnnamed;
                saver.save(Path("s.txt"));
                _exit(0);
            }
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
            const std::set<std::string> expected =
                c.exists ? std::set<std::string>{"s.txt"} : std::set<std::string>{};
            for (int i = 0; i < 200 && Names() != expected; i++) usleep(10000);
            EXPECT_EQ(Names(), expected);
            if (c.exists) {
                EXPECT_EQ(ReadBytes(Path("s.txt")), "old");
            }
            fs::remove(Path("s.txt"));
        }
    }
}
} // namespace
