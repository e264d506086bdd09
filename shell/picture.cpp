// The picture mode of the desktop program: a puzzle (81 characters), a saved game or a
// collection file (its first puzzle) loaded as a new game, or the saved session when neither is
// given, drawn by the same PaintBoard as the window and written as a PNG scaled crisply.
#include "shell/picture.h"
#include "control/commands.h"
#include "control/focus.h"
#include "control/session.h"
#include "control/stepview.h"
#include "display/paint.h"
#include "exactcover/count.h"
#include "files/puzzlefile.h"
#include "files/settings.h"
#include "files/text.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int MAX_SCALE = 32;

const char* const USAGE =
    "usage: quadrivo --picture OUT.png [--scale N] [--analysis] [--candidates] [--solution]\n"
    "                [--wrong-values] [--highlight D] [PUZZLE | FILE]\n"
    "Draws the board as the window shows it and writes it as a PNG, N times the native\n"
    "240 x 248 pixels (default 1). PUZZLE is 81 characters ('1'-'9' a digit, '.', '0' or\n"
    "'-' an empty cell); FILE a saved game or a collection (its first puzzle). With neither,\n"
    "the session saved by the window is drawn.\n"
    "  --analysis      show the next step with every technique on\n"
    "  --candidates    show the computed candidates in the empty cells\n"
    "  --solution      show the solution\n"
    "  --wrong-values  mark entries that differ from the solution\n"
    "  --highlight D   tint the cells holding digit D (1-9) and stress its marks\n"
    "Exit status: 0 written, 1 the file could not be written, 2 bad input.\n";

int Fail(const char* what, const char* detail = "") {
    std::fprintf(stderr, "quadrivo: %s%s\n", what, detail);
    return 2;
}

// An 81-character puzzle as the command-line tool reads them (it may start with '-').
bool IsPuzzle(const char* text) {
    uint8_t cells[81];
    char why[PUZZLE_WHY_SIZE];
    return ReadPuzzleLine(text, std::strlen(text), cells, why) >= 0;
}

// Verdicts the loading meets are worth telling, though the picture is drawn all the same.
void PrintMessage(const char* text) {
    std::fprintf(stderr, "quadrivo: %s\n", text);
}
} // namespace

bool WritePicture(const QImage& image, const char* path) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return ReportSaveError(path, ENOMEM);
    return ReplaceFile(path, reinterpret_cast<const uint8_t*>(png.constData()), int(png.size()),
                       FILE_MODE_SHARED) == 1;
}

QByteArray AbsolutePath(const char* name) {
    if (name[0] == '/') return name;
    char folder[PATH_MAX];
    if (!getcwd(folder, sizeof folder)) return name; // left relative: it still names the file
    return QByteArray(folder) + "/" + name;
}

bool WantsPicture(int argc, char** argv) {
    for (int i = 1; i < argc; i++)
        if (!std::strcmp(argv[i], "--picture")) return true;
    return false;
}

int RunPictureMode(int argc, char** argv) {
    const char* out = nullptr;
    const char* source = nullptr;
    int scale = 1;
    FocusMarks focus;
    bool analysis = false, candidates = false, solution = false, wrong = false;
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--picture") || !std::strcmp(a, "--scale")) {
            if (i + 1 >= argc) return Fail("missing value after ", a);
            if (a[2] == 'p') {
                out = argv[++i];
            } else {
                char* end = nullptr;
                const long n = std::strtol(argv[++i], &end, 10);
                if (*end || n < 1 || n > MAX_SCALE)
                    return Fail("--scale takes 1 to 32, not ", argv[i]);
                scale = int(n);
            }
        } else if (!std::strcmp(a, "--highlight")) {
            if (i + 1 >= argc) return Fail("missing value after ", a);
            const char* d = argv[++i];
            if (d[0] < '1' || d[0] > '9' || d[1])
                return Fail("--highlight takes a digit 1 to 9, not ", d);
            focus.highlightDigit = d[0] - '0';
        } else if (!std::strcmp(a, "--analysis")) {
            analysis = true;
        } else if (!std::strcmp(a, "--candidates")) {
            candidates = true;
        } else if (!std::strcmp(a, "--solution")) {
            solution = true;
        } else if (!std::strcmp(a, "--wrong-values")) {
            wrong = true;
        } else if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::fputs(USAGE, stdout);
            return 0;
        } else if (a[0] == '-' && a[1] == '-' && !IsPuzzle(a)) {
            return Fail("unknown option ", a);
        } else if (source) {
            return Fail("more than one puzzle or file: ", a);
        } else {
            source = a;
        }
    }
    if (!out || !*out) return Fail("--picture needs the name of the PNG file to write");

    // No display is needed: the board is drawn into an image.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    if (!LoadBoardGlyphs()) return Fail("the board's glyphs are missing from this build");

    ResetAllModules();
    ShellHooks hooks;
    hooks.messageBox = PrintMessage;
    InstallShellHooks(&hooks);
    // The display options come first, so that a new game fills its marks as the window does
    // with them on; a restored session brings its own options, so they are set again after it.
    auto applyOptions = [&] {
        if (analysis) AnalysisOptions.techniques = TECH_ANALYSIS | 0x3E;
        if (candidates) {
            AnalysisOptions.showCandidates = 1;
            AnalysisOptions.pencilMarks = 0;
        }
        if (wrong) AnalysisOptions.wrongValues = 1;
    };
    applyOptions();
    uint8_t cells[81];
    char why[PUZZLE_WHY_SIZE];
    const QByteArray path = source ? AbsolutePath(source) : QByteArray();
    // Only a regular file is opened: a pipe or a device is no puzzle and could block.
    struct stat st = {};
    const int found = source ? stat(path.constData(), &st) : -1;
    const bool isFile = found == 0 && S_ISREG(st.st_mode);
    const bool tooLong = isFile ? path.size() >= qsizetype(sizeof CurrentFile)
                                : found != 0 && source && errno == ENAMETOOLONG;
    if (tooLong) {
        const int most = isFile ? int(sizeof CurrentFile) - 1 : PATH_MAX - 1;
        std::fprintf(stderr, "quadrivo: the path is too long to open (%d bytes, at most %d): %s\n",
                     int(path.size()), most, source);
        return 2;
    }
    if (!source) {
        RunCommand(CMD_STARTUP); // the session the window would restore
        applyOptions();
    } else if (isFile) {
        OpenFileByName(path.constData());
        if (AnalysisOptions.setupMode) RunCommand(CMD_SETUP); // a collection puzzle: a new game
    } else if (ReadPuzzleLine(source, std::strlen(source), cells, why) >= 0) {
        ResetGame();
        std::memcpy(Board, cells, 81);
        RefreshSession({.check = true, .marks = true});
        ResetPosition();
    } else {
        std::fprintf(stderr,
                     "quadrivo: neither a readable file nor an 81-character puzzle: %s (%s)\n",
                     source, why);
        return 2;
    }

    if (solution) {
        if (CheckPosition() != VERDICT_UNIQUE)
            return Fail("--solution needs a puzzle with exactly one solution");
        ShowSolution = 1;
    }

    RefreshStep();
    if (!WritePicture(ScaleCrisp(RenderBoard(focus), scale), out)) {
        std::fprintf(stderr, "quadrivo: %s\n", LastSaveError());
        return 1;
    }
    return 0;
}
