// The desktop program as a process: the picture mode's files. Each test gives the program a
// runtime, configuration and temporary folder of its own.
#include "model/board.h"
#include "tests/support.h"
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTest>
#include <climits>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString Q(const std::string& text) {
    return QString::fromStdString(text);
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

    // One run of the program to its end: the exit status, -1 when killed or still running
    // after ms. fullDisk: writes past 4 KiB fail as on a full disk (EFBIG).
    int Run(const QStringList& args, QString* err = nullptr, int ms = 30000,
            bool fullDisk = false) {
        QProcess p;
        p.setProcessEnvironment(env);
        if (fullDisk)
            p.setChildProcessModifier([] {
                const rlimit limit = {4096, 4096};
                setrlimit(RLIMIT_FSIZE, &limit);
                signal(SIGXFSZ, SIG_IGN);
            });
        p.start(QUADRIVO_PROGRAM, args);
        const bool ended = p.waitForFinished(ms);
        if (!ended) {
            p.kill();
            p.waitForFinished();
        }
        if (err) *err = QString::fromLocal8Bit(p.readAllStandardError());
        return ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
};

TEST_F(Instance, PictureModeDrawsWithoutADisplay) {
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

    // A saved game is drawn as it was saved.
    const std::string game = Write("game.txt", std::string(BUILTIN_PUZZLE) + "\r\n");
    EXPECT_EQ(Run({"--picture", out, Q(game)}), 0);
    EXPECT_EQ(QImage(out).size(), QSize(240, 248));

    for (const QStringList& bad : {QStringList{"--picture", out, "123"},
                                   {"--picture", out, "--scale", "0"},
                                   {"--picture", out, "--frobnicate"},
                                   {"--picture"},
                                   {"--picture", out, "a", "b"}})
        EXPECT_EQ(Run(bad), 2) << bad.join(' ').toStdString();
}

// A picture is written whole or not at all, and a failure says why with a non-zero status:
// a full disk leaves the old picture as it was, a device is refused, a missing folder named.
TEST_F(Instance, PicturesAreWrittenWholeOrNotAtAll) {
    const QString out = Q(Path("board.png"));
    ASSERT_EQ(Run({"--picture", out, "--scale", "6", BUILTIN_PUZZLE}), 0);
    const std::string before = ReadBytes(Path("board.png"));
    ASSERT_GT(before.size(), 4096u);
    QString err;
    EXPECT_EQ(Run({"--picture", out, "--scale", "6", SAMPLE_PUZZLE}, &err, 30000, true), 1);
    EXPECT_TRUE(err.contains("File too large")) << err.toStdString();
    EXPECT_EQ(ReadBytes(Path("board.png")), before);
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        EXPECT_NE(entry.path().filename().string().rfind(".quadrivo-", 0), 0u) << entry.path();

    EXPECT_EQ(Run({"--picture", "/dev/full", BUILTIN_PUZZLE}, &err), 1);
    EXPECT_TRUE(err.contains("/dev/full")) << err.toStdString();
    EXPECT_EQ(Run({"--picture", Q(Path("no/such/dir/x.png")), BUILTIN_PUZZLE}, &err), 1);
    EXPECT_TRUE(err.contains("No such file")) << err.toStdString();
}

// A path is taken whole or refused with a message, never cut: past the 1,040 bytes the core
// once held, a file at the shorter name must not be what is drawn; past PATH_MAX it is refused.
TEST_F(Instance, LongPathsAreTakenWholeOrRefused) {
    std::string dir = folder;
    while (dir.size() < 850) dir += "/" + std::string(150, 'd');
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/" + std::string(200, 'p') + ".txt";
    const std::string cut = path.substr(0, 1039);
    ASSERT_GT(cut.size(), dir.size() + 1); // the shorter name is a file beside it
    std::ofstream(path) << BUILTIN_PUZZLE << "\r\n";
    std::ofstream(cut) << SAMPLE_PUZZLE << "\r\n";
    const QString out = Q(Path("long.png")), expected = Q(Path("expected.png"));
    ASSERT_EQ(
        Run({"--picture", expected, Q(Write("short.txt", std::string(BUILTIN_PUZZLE) + "\r\n"))}),
        0);
    QString err;
    const int status = Run({"--picture", out, Q(path)}, &err);
    if (status == 0)
        EXPECT_EQ(ReadBytes(out.toStdString()), ReadBytes(expected.toStdString()));
    else
        EXPECT_TRUE(status == 2 && err.contains("too long")) << status << err.toStdString();

    std::string huge = folder;
    while (huge.size() <= PATH_MAX) huge += "/" + std::string(200, 'h');
    EXPECT_EQ(Run({"--picture", out, Q(huge)}, &err), 2);
    EXPECT_TRUE(err.contains("too long")) << err.toStdString();
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
