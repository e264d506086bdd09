// quadrivo: the desktop program. One copy per user runs; a later start hands its file to it.
// "quadrivo --picture OUT.png ..." draws a board picture instead, with no display.
#include "control/session.h"
#include "shell/mainwindow.h"
#include "shell/picture.h"
#include "shell/singleinstance.h"
#include <QApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {
// A termination signal (the session ending, kill) closes the window like any other close, so
// the session is saved: the handler only writes a byte that the event loop then reads.
int SignalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(SignalPipe[1], &byte, 1);
}

void CloseOnSignals(MainWindow* window) {
    if (pipe(SignalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char byte;
        [[maybe_unused]] ssize_t n = read(SignalPipe[0], &byte, 1);
        window->close();
        QApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGTERM, SIGHUP, SIGINT}) sigaction(s, &action, nullptr);
}
} // namespace

int main(int argc, char** argv) {
    if (WantsPicture(argc, argv)) return RunPictureMode(argc, argv);
    QString file;
    for (int i = 1; i < argc; i++) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::puts("usage: quadrivo [FILE]\n"
                      "       quadrivo --picture OUT.png [OPTIONS] [PUZZLE | FILE]  (--picture "
                      "--help for more)\n"
                      "Opens the Sudoku assistant, with FILE (a saved game or a collection of "
                      "puzzles) if given.");
            return 0;
        }
        if (argv[i][0] != '-') file = QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath();
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("Quadrivo");
    QGuiApplication::setDesktopFileName("org.quadrivo.Quadrivo");
    if (SingleInstance::HandOver(file)) return 0; // the running copy has it; nothing else to do
    SingleInstance instance;
    instance.Listen();

    ResetAllModules();
    MainWindow window;
    QObject::connect(&instance, &SingleInstance::Asked, &window, [&window](const QString& asked) {
        window.BringToFront();
        if (!asked.isEmpty()) window.OpenNamedFile(QFileInfo(asked).absoluteFilePath().toUtf8());
    });
    CloseOnSignals(&window);
    window.show();
    window.SetZoom(window.DefaultZoom());
    window.StartUp();
    if (!file.isEmpty()) window.OpenNamedFile(file.toUtf8());
    return app.exec();
}
