// quadrivo: the desktop program. One copy per user runs; a later start hands its file to it.
// "quadrivo --picture OUT.png ..." draws a board picture instead, with no display.
#include "control/commands.h"
#include "control/session.h"
#include "shell/mainwindow.h"
#include "shell/picture.h"
#include "shell/print.h"
#include "shell/singleinstance.h"
#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>
#include <QTimer>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {
// A termination signal (the session ending, kill, Ctrl+C) ends the program at once, whatever
// box is open, and the session is saved on the way out: the handler only writes a byte that
// the event loop, nested ones included, then reads.
int SignalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(SignalPipe[1], &byte, 1);
}

void EndOnSignals(MainWindow* window) {
    if (pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char bytes[16];
        while (read(SignalPipe[0], bytes, sizeof bytes) > 0) {}
        window->EndNow();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGTERM, SIGHUP, SIGINT}) sigaction(s, &action, nullptr);
}
} // namespace

int main(int argc, char** argv) {
    // The words as bytes, one character each, so that a file name that is not UTF-8 comes through.
    QStringList arguments;
    for (int i = 1; i < argc; i++) arguments << QString::fromLatin1(argv[i]);
    // "--picture OUT.png" or "--picture=OUT.png" anywhere: the picture mode, no window.
    for (const QString& word : arguments)
        if (word == "--picture" || word.startsWith("--picture=")) return RunPictureMode(arguments);
    // "--pdf OUT.pdf" anywhere: a booklet written with no window.
    for (const QString& word : arguments)
        if (word == "--pdf" || word.startsWith("--pdf=")) return RunPdfMode(arguments);
    // Options other than the help (Qt's own, such as -style) are left to QApplication; the last
    // word that is not an option names the file.
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{"h", "help"});
    parser.addOption(help);
    parser.parse(QStringList("quadrivo") + arguments);
    if (parser.isSet(help)) {
        std::puts("usage: quadrivo [FILE]\n"
                  "       quadrivo --picture OUT.png [OPTIONS] [PUZZLE | FILE]  (--picture "
                  "--help for more)\n"
                  "       quadrivo --pdf OUT.pdf [--per-page N] [--solutions] FILE|PUZZLE...\n"
                  "Opens the Sudoku assistant, with FILE (a saved game or a collection of "
                  "puzzles) if given.");
        return 0;
    }
    const QStringList files = parser.positionalArguments();
    const QByteArray file =
        files.isEmpty() ? QByteArray() : AbsolutePath(files.last().toLatin1().constData());
    if (file.size() >= PATH_MAX) {
        std::fprintf(stderr, "quadrivo: the path is too long to open (%d bytes, at most %d): %s\n",
                     int(file.size()), PATH_MAX - 1, file.constData());
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("Quadrivo");
    QGuiApplication::setDesktopFileName("org.quadrivo.Quadrivo");
    SingleInstance instance;
    switch (instance.Start(file)) {
    case SingleInstance::ROLE_HANDED_OVER:
        return 0; // the running copy has it; nothing else to do
    case SingleInstance::ROLE_NO_ANSWER:
        return 1;
    default:
        break;
    }

    std::unique_ptr<Session> session = std::make_unique<Session>();
    MainWindow window(session.get());
    QObject::connect(&instance, &SingleInstance::Asked, &window, &MainWindow::HandOver);
    EndOnSignals(&window);
    const int zoom =
        RestoreView(session.get()); // the zoom of the last run, if it fits the screen still
    window.SetZoom(zoom > 0 ? zoom : window.DefaultZoom()); // sized and placed before shown
    window.show();
    // The start-up command and the file run inside the loop, so that a box they show leaves
    // signals and other copies answered.
    bool started = false;
    QTimer::singleShot(0, &window, [&window, &file, &started] {
        started = true;
        window.StartUp();
        if (!file.isEmpty() && !window.Ending()) window.OpenNamedFile(file);
    });
    const int status = app.exec();
    // Every loop has unwound, so no command is half done: the session is saved here, once. A
    // signal that came before the session was even read leaves the file as it is.
    if (!started) return status;
    return window.SaveSessionQuietly() ? status : 1;
}
