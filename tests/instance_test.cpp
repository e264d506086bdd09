// The desktop program as a process: signals arriving while a box is open, with a later copy
// handing its file over, and the picture mode's files. Each test gives the copies a runtime,
// configuration and temporary folder of its own.
#include "files/settings.h"
#include "model/board.h"
#include "tests/support.h"
#include <QCoreApplication>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

ino_t Inode(const std::string& path) {
    struct stat st = {};
    return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// True while some process holds the lock file at path.
bool LockHeld(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    const bool held = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0;
    if (fd >= 0) close(fd);
    return held;
}

class Instance : public FileTest {
  protected:
    QProcessEnvironment env;
    std::string channel;  // where the copies keep their lock and socket
    std::string settings; // the session file they write

    void SetUp() override {
        FileTest::SetUp();
        mkdir(Path("run").c_str(), 0700);
        mkdir(Path("tmp").c_str(), 0700);
        channel = Path("run");
        settings = Path("config/quadrivo/quadrivo.ini");
        env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", Q(channel));
        env.insert("XDG_CONFIG_HOME", Q(Path("config")));
        env.insert("TMPDIR", Q(Path("tmp")));
    }

    // Starts the program. fullDisk: writes past 512 bytes fail as on a full disk (EFBIG).
    void Launch(QProcess& p, const QStringList& args, bool fullDisk = false) {
        p.setProcessEnvironment(env);
        if (fullDisk)
            p.setChildProcessModifier([] {
                const rlimit limit = {512, 512};
                setrlimit(RLIMIT_FSIZE, &limit);
                signal(SIGXFSZ, SIG_IGN);
            });
        p.start(QUADRIVO_PROGRAM, args);
    }
    // One run of the program to its end: the exit status, -1 when killed or still running
    // after ms; its standard error into err.
    int Run(const QStringList& args, QString* err = nullptr, int ms = 30000,
            bool fullDisk = false) {
        QProcess p;
        Launch(p, args, fullDisk);
        const bool ended = p.waitForFinished(ms);
        if (!ended) Stop(p, SIGKILL);
        if (err) *err = QString::fromLocal8Bit(p.readAllStandardError());
        return ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    // Starts the copy that runs; true once it holds the lock and its event loop answers a
    // later copy.
    bool Start(QProcess& p, const QStringList& args = {}, bool fullDisk = false) {
        Launch(p, args, fullDisk);
        for (int i = 0; i < 200 && !LockHeld(channel + "/quadrivo.lock"); i++) QTest::qWait(50);
        return p.state() == QProcess::Running && Run({}) == 0;
    }
    // Sends a signal; the exit status once the copy ended, -1 if it did not within 10 s.
    static int Stop(QProcess& p, int signal) {
        ::kill(pid_t(p.processId()), signal);
        if (!p.waitForFinished(10000)) {
            p.kill();
            p.waitForFinished();
            return -1;
        }
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
};

// SIGTERM, SIGHUP and SIGINT end the program within seconds whatever box is open, and the
// session is written on the way out; when it cannot be, standard error says so.
TEST_F(Instance, SignalsEndTheProgramWhateverBoxIsOpen) {
    // A session left with an empty board opens with the "Invalid Position" box.
    ResetForTest();
    SetSettingsPath(Path("empty.ini").c_str());
    ASSERT_EQ(SaveSettings(), 1);
    const std::string bad = Write("bad.txt", "not a puzzle\r\n");
    const std::string fifo = Path("fifo"); // nobody ever writes into it
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The file each copy is started with (the empty session when none), the signal, and the
    // file a later copy hands over ("" for none).
    const struct {
        std::string file;
        int signal;
        std::string handed;
    } CASES[] = {{"", SIGTERM, ""}, {"/dev/zero", SIGINT, ""}, {bad, SIGHUP, fifo}};
    for (const auto& c : CASES) {
        std::filesystem::create_directories(Path("config/quadrivo"));
        std::filesystem::remove(settings);
        if (c.file.empty()) std::filesystem::copy_file(Path("empty.ini"), settings);
        const ino_t before = Inode(settings);
        QProcess p;
        ASSERT_TRUE(Start(p, c.file.empty() ? QStringList() : QStringList{Q(c.file)})) << c.file;
        EXPECT_EQ(c.handed.empty() ? 0 : Run({Q(c.handed)}), 0); // handed over meanwhile
        QTest::qWait(300); // a box the start shows is up by now
        EXPECT_EQ(Stop(p, c.signal), 0) << c.file;
        EXPECT_NE(Inode(settings), before) << c.file;
        EXPECT_NE(Inode(settings), 0u) << c.file;
    }

    // A full disk: the session's 603 bytes no longer fit.
    std::filesystem::remove(settings);
    QProcess p;
    ASSERT_TRUE(Start(p, {Q(bad)}, true));
    QTest::qWait(300);
    EXPECT_EQ(Stop(p, SIGTERM), 1);
    EXPECT_TRUE(p.readAllStandardError().contains("the session was not saved"));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
