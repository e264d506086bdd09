// Saving games and the settings file: every failure reported with its reason while the old file
// stays and no temporary file is left. Each case runs through both savers.
#include "files/puzzlefile.h"
#include "files/settings.h"
#include "model/history.h"
#include "tests/support.h"
#include <csignal>
#include <filesystem>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// The two savers.
struct Saver {
    const char* name;
    int (*save)(const std::string& path);
};
const Saver SAVERS[] = {
    {"game", [](const std::string& path) { return SaveGameFile(path.c_str()); }},
    {"settings",
     [](const std::string& path) { return SetSettingsPath(path.c_str()), SaveSettings(); }},
};

class Saving : public FileTest {
  protected:
    void SetUp() override {
        FileTest::SetUp();
        LoadGivens(SAMPLE_PUZZLE);
        EnterDigit(1, 1);
    }
    // The names in a folder of the test's scratch folder ("" for the folder itself).
    std::set<std::string> Names(const char* sub = "") const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder + "/" + sub))
            names.insert(entry.path().filename().string());
        return names;
    }
};

// A failed save returns 0, says why and where, leaves what was there and no temporary file.
TEST_F(Saving, FailedSaveReportsItsReasonAndKeepsTheOldFile) {
    Write("old.txt", "old contents");
    fs::create_directory(Path("dir"));
    fs::create_directory(Path("ro"));
    chmod(Path("ro").c_str(), 0555);
    // A link to a pipe of our own: a save that wrongly took it for a file would replace that
    // pipe, never a device of the system's.
    mkfifo(Path("pipe").c_str(), 0600);
    fs::create_symlink("pipe", Path("pipe.txt"));
    const std::set<std::string> before = Names();
    const struct {
        const char* name;
        std::string reason;
        rlim_t sizeLimit; // writes past it fail with EFBIG, as on a full disk; 0: none
    } CASES[] = {
        {"old.txt", "File too large", 64},
        {"dir", "not a regular file", 0},
        {"pipe.txt", "not a regular file", 0}, // never replaced by a file, never written into
        {"ro/g.txt", "Permission denied", 0},  // not for root, whom a read-only folder lets in
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
