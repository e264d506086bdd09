// The desktop program as a process: one copy per user and the channel between copies, signals
// arriving while a box is open, and the picture mode's files. Each test gives the copies a
// runtime, configuration and temporary folder of its own.
#include "files/gamefile.h"
#include "files/settings.h"
#include "model/board.h"
#include "model/history.h"
#include "tests/support.h"
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <algorithm>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
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
        env.insert("XDG_DATA_HOME", Q(Path("data")));
        env.insert("TMPDIR", Q(Path("tmp")));
    }
    QString Socket() const { return Q(channel + "/quadrivo.socket"); }

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

// A later copy hands its file over and ends; the running copy answers at once but opens the
// file only when its about box has closed, which nobody does here, so the session it saves on
// SIGTERM is still the first file's. A copy killed outright leaves its socket behind, and the
// next copy takes it over: the lock, not the socket, says who runs.
TEST_F(Instance, OneCopyRunsPerUser) {
    const std::string first = Write("first.txt", std::string(BUILTIN_PUZZLE) + "\r\n");
    const std::string second = Write("second.txt", std::string(SAMPLE_PUZZLE) + "\r\n");
    QProcess running;
    ASSERT_TRUE(Start(running, {Q(first)}));
    EXPECT_EQ(Run({Q(second)}), 0);
    EXPECT_FALSE(QFileInfo::exists(Q(settings)));
    ASSERT_EQ(Stop(running, SIGTERM), 0);
    SetSettingsPath(settings.c_str());
    LoadSettings(S);
    EXPECT_EQ(BoardDigits(), BUILTIN_PUZZLE);

    QProcess killed, next;
    ASSERT_TRUE(Start(killed));
    Stop(killed, SIGKILL);
    ASSERT_TRUE(QFileInfo::exists(Socket()));
    ASSERT_TRUE(Start(next)); // which also sees a later copy hand over to it
    EXPECT_EQ(Stop(next, SIGTERM), 0);
}

// SIGTERM, SIGHUP and SIGINT end the program within seconds whatever box is open, and the
// session is written on the way out; when it cannot be, standard error says so.
TEST_F(Instance, SignalsEndTheProgramWhateverBoxIsOpen) {
    // A session left with an empty board opens with the "Invalid Position" box.
    ResetForTest();
    SetSettingsPath(Path("empty.ini").c_str());
    ASSERT_EQ(SaveSettings(S), 1);
    const std::string bad = Write("bad.txt", "not a puzzle\r\n");
    const std::string fifo = Path("fifo"); // nobody ever writes into it
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The file each copy is started with (the empty session when none), the signal, and the
    // file a later copy hands over ("" for none).
    const struct {
        std::string file;
        int signal;
        std::string handed;
    } CASES[] = {{"", SIGTERM, ""}, {bad, SIGHUP, ""}, {fifo, SIGINT, ""}, {bad, SIGTERM, fifo}};
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

// The channel lives only in a folder of this user's that nobody else may enter: a runtime
// folder open to others is passed over, and a fallback folder that is a link, open to others or
// holds another user's file is neither followed nor tightened (the copy runs alone and says why).
TEST_F(Instance, OnlyAPrivateFolderCarriesTheChannel) {
    chmod(channel.c_str(), 0755);
    channel = Path("tmp/quadrivo-") + std::to_string(getuid());
    QProcess p;
    ASSERT_TRUE(Start(p));
    struct stat st = {};
    ASSERT_EQ(lstat(channel.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(Stop(p, SIGTERM), 0);
    EXPECT_TRUE(p.readAllStandardError().contains("XDG_RUNTIME_DIR is not used"));

    // Runs a copy that must run alone; its standard error.
    auto runAlone = [this] {
        QProcess alone;
        Launch(alone, {});
        EXPECT_FALSE(alone.waitForFinished(1500)); // it runs, alone
        Stop(alone, SIGTERM);
        const QByteArray err = alone.readAllStandardError();
        EXPECT_TRUE(err.contains("running alone")) << err.data();
        return err;
    };
    std::filesystem::remove_all(channel);
    mkdir(Path("elsewhere").c_str(), 0700);
    ASSERT_EQ(symlink(Path("elsewhere").c_str(), channel.c_str()), 0);
    EXPECT_TRUE(runAlone().contains("is not a folder"));
    EXPECT_TRUE(std::filesystem::is_empty(Path("elsewhere")));

    // Open to all: another user may have put a lock and socket in; the mode stays as it was.
    std::filesystem::remove(channel);
    ASSERT_EQ(mkdir(channel.c_str(), 0700), 0);
    chmod(channel.c_str(), 0777);
    EXPECT_TRUE(runAlone().contains("has mode 0777"));
    ASSERT_EQ(lstat(channel.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0777u);
    EXPECT_FALSE(QFileInfo::exists(Socket()));

    // Private again, but another user's file is inside (only root can give it away).
    if (getuid() != 0) GTEST_SKIP() << "another user's file needs root to make";
    chmod(channel.c_str(), 0700);
    const std::string planted = Write("planted", "");
    ASSERT_EQ(chown(planted.c_str(), 65534, 65534), 0);
    std::filesystem::rename(planted, channel + "/quadrivo.lock");
    EXPECT_TRUE(runAlone().contains("belongs to another user"));
    EXPECT_FALSE(QFileInfo::exists(Socket()));
}

// The picture mode draws without a display; a failure says why with a non-zero status.
TEST_F(Instance, PictureModeWritesWholePicturesOrSaysWhy) {
    const QString out = Q(Path("board.png"));
    ASSERT_EQ(Run({"--picture", out, "--scale", "2", "--analysis", BUILTIN_PUZZLE}), 0);
    QImage picture(out);
    EXPECT_EQ(picture.size(), QSize(480, 496));
    // Analysis on: a highlighted cell somewhere, and the labels under the board.
    bool highlighted = false;
    for (int y = 0; y < 470 && !highlighted; y++)
        for (int x = 0; x < 480 && !highlighted; x++)
            highlighted = picture.pixelColor(x, y) == QColor(0xFF, 0xFF, 0xB0);
    EXPECT_TRUE(highlighted);
    EXPECT_EQ(Run({"--picture", out, "--scale", "0"}), 2);

    // The picture is written as a save is (the saving tests attack that writer); a failure
    // says why.
    QString err;
    EXPECT_EQ(Run({"--picture", Q(Path("no/such/dir/x.png")), BUILTIN_PUZZLE}, &err), 1);
    EXPECT_TRUE(err.contains("No such file")) << err.toStdString();

    // "--picture --help", which the main help recommends, prints the help and writes no file
    // named "--help"; a name starting with '-' is an option, never the file to write.
    for (const QStringList& args :
         {QStringList{"--picture", "--help"}, QStringList{"--picture", "-x.png", BUILTIN_PUZZLE},
          QStringList{"--picture=--help", BUILTIN_PUZZLE}}) {
        QProcess p;
        p.setWorkingDirectory(Q(folder));
        Launch(p, args);
        ASSERT_TRUE(p.waitForFinished(30000));
        const QString said = p.readAllStandardOutput();
        EXPECT_EQ(p.exitCode(), args[1] == "--help" ? 0 : 2) << args.join(' ').toStdString();
        EXPECT_EQ(said.startsWith("usage: quadrivo --picture"), args[1] == "--help");
    }
    EXPECT_FALSE(std::filesystem::exists(Path("--help")));
    EXPECT_FALSE(std::filesystem::exists(Path("-x.png")));

    // The session read for a picture may be a pipe that nobody writes: it must not hang.
    std::filesystem::create_directories(Path("config/quadrivo"));
    ASSERT_EQ(mkfifo(settings.c_str(), 0600), 0);
    EXPECT_NE(Run({"--picture", out}, nullptr, 10000), -1);
}

// The dark picture: the board's paper dark, the givens light.
TEST_F(Instance, PictureModeDrawsTheDarkTheme) {
    const QString out = Q(Path("dark.png"));
    ASSERT_EQ(Run({"--picture", out, "--theme", "dark", BUILTIN_PUZZLE}), 0);
    const QImage picture(out);
    ASSERT_EQ(picture.size(), QSize(240, 248));
    EXPECT_LT(qGray(picture.pixel(1, 1)), 64);
    int light = 0; // the ink of the givens
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 240; x++) light += qGray(picture.pixel(x, y)) > 200;
    EXPECT_GT(light, 100);
    EXPECT_EQ(Run({"--picture", out, "--theme", "sepia", BUILTIN_PUZZLE}), 2);
}

// The step drawn follows the order asked for: the player's by default, as the window's.
TEST_F(Instance, PictureModeDrawsTheStepOfTheOrderAsked) {
    QImage pictures[3];
    const char* orders[] = {nullptr, "player", "classic"};
    for (int i = 0; i < 3; i++) {
        const QString out = Q(Path(("order" + std::to_string(i) + ".png").c_str()));
        QStringList args = {"--picture", out, "--analysis", BUILTIN_PUZZLE};
        if (orders[i]) args << "--order" << orders[i];
        ASSERT_EQ(Run(args), 0) << i;
        pictures[i] = QImage(out);
    }
    EXPECT_EQ(pictures[0], pictures[1]);
    EXPECT_NE(pictures[1], pictures[2]); // the classic engine marks every single it found
    EXPECT_EQ(Run({"--picture", Q(Path("x.png")), "--order", "random", BUILTIN_PUZZLE}), 2);
}

// A booklet of 24 puzzles, 6 to a page with their solutions: 8 pages, every puzzle's line in
// the text of the PDF as pdftotext reads it back, and the solutions on the pages after.
TEST_F(Instance, PdfBookletHoldsEveryPuzzle) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const CliRun created = RunCli("create -n 24 --seed 4242");
    ASSERT_EQ(created.status, 0) << created.err;
    std::vector<std::string> puzzles;
    std::istringstream lines(created.out);
    for (std::string line; std::getline(lines, line);)
        if (line.size() >= 81) puzzles.push_back(line.substr(0, 81));
    ASSERT_EQ(puzzles.size(), 24u);
    std::string file;
    for (const std::string& p : puzzles) file += p + "\r\n";
    const std::string collection = Write("booklet.txt", file);
    const QString out = Q(Path("booklet.pdf"));
    QString err;
    ASSERT_EQ(Run({"--pdf", out, "--per-page", "6", "--solutions", Q(collection)}, &err), 0)
        << err.toStdString();
    QProcess text;
    text.start("pdftotext", {out, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const std::string read = text.readAllStandardOutput().toStdString();
    EXPECT_EQ(std::count(read.begin(), read.end(), '\f'), 8); // one form feed ends each page
    for (const std::string& p : puzzles) {
        std::string dotted = p;
        std::replace(dotted.begin(), dotted.end(), '0', '.');
        EXPECT_NE(read.find(dotted), std::string::npos) << p;
    }
    const size_t solutions = read.find("Solution booklet.txt #1");
    ASSERT_NE(solutions, std::string::npos);
    EXPECT_GT(solutions, read.find("booklet.txt #24"));
    // A page count of one (the options written "--name=value" this time): the first page
    // alone, then a refusal of a size it does not lay out.
    ASSERT_EQ(Run({"--pdf=" + out, "--per-page=1", Q(puzzles[0])}), 0);
    text.start("pdftotext", {out, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const std::string one = text.readAllStandardOutput().toStdString();
    EXPECT_EQ(std::count(one.begin(), one.end(), '\f'), 1);
    EXPECT_EQ(Run({"--pdf", out, "--per-page", "3", Q(puzzles[0])}), 2);

    // A saved game prints its givens, not the entries made in it.
    LoadGivens(puzzles[1].c_str());
    ASSERT_EQ(CheckPosition(S), 100);
    const int open = FirstOpenCell();
    EnterDigit(S, open, S->SolutionGrid[open] & CELL_DIGIT);
    const std::string game = Path("game.txt");
    ASSERT_EQ(SaveGameFile(S, game.c_str()), 1);
    ASSERT_EQ(Run({"--pdf", out, Q(game)}), 0);
    text.start("pdftotext", {out, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    std::string givens = puzzles[1];
    std::replace(givens.begin(), givens.end(), '0', '.');
    EXPECT_NE(text.readAllStandardOutput().toStdString().find(givens), std::string::npos);
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
