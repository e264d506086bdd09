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
#include "files/replacefile.h"
#include "files/settings.h"
#include "files/text.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/options.h"
#include "model/verdicts.h"
#include <QBuffer>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QImage>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int MAX_SCALE = 32;

const char* const USAGE =
    "usage: quadrivo --picture OUT.png [--scale N] [--analysis] [--candidates] [--solution]\n"
    "                [--wrong-values] [--highlight D] [--theme light|dark]\n"
    "                [--order player|classic] [PUZZLE | FILE]\n"
    "Draws the board as the window shows it and writes it as a PNG, N times the native\n"
    "240 x 248 pixels (default 1). PUZZLE is 81 characters ('1'-'9' a digit, '.', '0' or\n"
    "'-' an empty cell); FILE a saved game or a collection (its first puzzle). With neither,\n"
    "the session saved by the window is drawn.\n"
    "  --analysis      show the next step with every technique on\n"
    "  --candidates    show the computed candidates in the empty cells\n"
    "  --solution      show the solution\n"
    "  --wrong-values  mark entries that differ from the solution\n"
    "  --highlight D   tint the cells holding digit D (1-9) and stress its marks\n"
    "  --theme T       the board's colours: light (the default) or dark\n"
    "  --order O       the step --analysis shows: the player's order (the default) or the\n"
    "                  classic engine's\n"
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
// The picture mode's hooks: a message goes to standard error; nothing else is shown.
constexpr ShellHooks PICTURE_HOOKS = {
    .messageBox = [](void*, const char* text) { std::fprintf(stderr, "quadrivo: %s\n", text); },
};
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

int RunPictureMode(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption picture("picture", "", "OUT.png"), scaleOption("scale", "", "N"),
        highlight("highlight", "", "D"), analysisOption("analysis"), candidatesOption("candidates"),
        solutionOption("solution"), wrongOption("wrong-values"), given("source", "", "PUZZLE"),
        themeOption("theme", "", "T"), orderOption("order", "", "O");
    parser.addOptions({picture, scaleOption, highlight, analysisOption, candidatesOption,
                       solutionOption, wrongOption, given, themeOption, orderOption});
    // Every word that is not an option is a puzzle or a file, in the order given: a puzzle may
    // start with '-' (an empty first cell) and so may a file, so each such word reaches the
    // parser as the value of --source=, which it would otherwise read as an option. The word
    // after an option that takes a value is its value, unless it starts with '-': no value
    // does ("--picture --help" asks for the help, and a file so named is written ./-NAME).
    QStringList words = {"quadrivo"};
    bool endMark = false; // "--", which the parser would take for the end of the options
    for (qsizetype i = 0; i < arguments.size(); i++) {
        const QString& a = arguments[i];
        endMark = endMark || a == "--";
        if (a == "--help" || a == "-h" || a == "-help") {
            std::fputs(USAGE, stdout);
            return 0;
        }
        const bool takesValue = a == "--picture" || a == "--scale" || a == "--highlight" ||
                                a == "--theme" || a == "--order";
        if (takesValue) {
            if (i + 1 < arguments.size() && !arguments[i + 1].startsWith('-'))
                words << a << arguments[++i];
            else
                words << a + "="; // no value: the parser would take the next word all the same
            continue;
        }
        const bool source = !a.startsWith("--") || IsPuzzle(a.toLatin1().constData());
        words << (source ? "--source=" + a : a);
    }
    if (!parser.parse(words)) {
        if (!parser.unknownOptionNames().isEmpty())
            return Fail("unknown option --", parser.unknownOptionNames()[0].toLatin1().constData());
        // "Missing value after '--scale'.": the only other refusal of the parser
        const QString text = parser.errorText();
        const qsizetype from = text.indexOf('\'') + 1;
        return Fail("missing value after ",
                    text.mid(from, text.lastIndexOf('\'') - from).toLatin1().constData());
    }
    if (endMark) return Fail("unknown option --");
    const QByteArray outBytes = parser.value(picture).toLatin1();
    const char* out = outBytes.constData();
    if (!*out) return Fail("--picture needs the name of the PNG file to write");
    if (*out == '-') // "--picture=--help": an option, not a file name
        return Fail("the PNG file's name starts with '-'; write ./", out);
    const QStringList sources = parser.values(given) + parser.positionalArguments();
    if (sources.size() > 1)
        return Fail("more than one puzzle or file: ", sources[1].toLatin1().constData());
    int scale = 1;
    for (const QString& value : parser.values(scaleOption)) {
        bool number = false;
        scale = value.toInt(&number);
        if (!number || scale < 1 || scale > MAX_SCALE)
            return Fail("--scale takes 1 to 32, not ", value.toLatin1().constData());
    }
    FocusMarks focus;
    for (const QString& d : parser.values(highlight)) {
        if (d.size() != 1 || d[0] < '1' || d[0] > '9')
            return Fail("--highlight takes a digit 1 to 9, not ", d.toLatin1().constData());
        focus.highlightDigit = d[0].digitValue();
    }
    int theme = THEME_LIGHT;
    for (const QString& t : parser.values(themeOption)) {
        if (t != "light" && t != "dark")
            return Fail("--theme takes light or dark, not ", t.toLatin1().constData());
        theme = t == "dark" ? THEME_DARK : THEME_LIGHT;
    }
    int order = -1; // as the session has it
    for (const QString& o : parser.values(orderOption)) {
        if (o != "player" && o != "classic")
            return Fail("--order takes player or classic, not ", o.toLatin1().constData());
        order = o == "classic" ? VIEW_ORDER_CLASSIC : VIEW_ORDER_PLAYER;
    }
    const bool analysis = parser.isSet(analysisOption), candidates = parser.isSet(candidatesOption),
               solution = parser.isSet(solutionOption), wrong = parser.isSet(wrongOption);
    const QByteArray sourceBytes = sources.isEmpty() ? QByteArray() : sources[0].toLatin1();
    const char* source = sources.isEmpty() ? nullptr : sourceBytes.constData();

    // No display is needed: the board is drawn into an image.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    char name[] = "quadrivo";
    char* qtArgv[] = {name, nullptr};
    int qtArgc = 1;
    QGuiApplication app(qtArgc, qtArgv);
    if (!LoadBoardGlyphs()) return Fail("the board's glyphs are missing from this build");

    std::unique_ptr<Session> session = std::make_unique<Session>();
    Session* const S = session.get();
    SetShellHooks(S, &PICTURE_HOOKS, nullptr);
    // The display options come first, so that a new game fills its marks as the window does
    // with them on; a restored session brings its own options, so they are set again after it.
    auto applyOptions = [&] {
        if (analysis) S->AnalysisOptions.techniques = TECH_ANALYSIS | 0x3E;
        if (candidates) {
            S->AnalysisOptions.showCandidates = 1;
            S->AnalysisOptions.pencilMarks = 0;
        }
        if (wrong) S->AnalysisOptions.wrongValues = 1;
        if (order >= 0) S->Order = order;
    };
    applyOptions();
    uint8_t cells[81];
    char why[PUZZLE_WHY_SIZE];
    const QByteArray path = source ? AbsolutePath(source) : QByteArray();
    // Only a regular file is opened: a pipe or a device is no puzzle and could block.
    struct stat st = {};
    const int found = source ? stat(path.constData(), &st) : -1;
    const bool isFile = found == 0 && S_ISREG(st.st_mode);
    const bool tooLong = isFile ? path.size() >= qsizetype(sizeof S->CurrentFile)
                                : found != 0 && source && errno == ENAMETOOLONG;
    if (tooLong) {
        const int most = isFile ? int(sizeof S->CurrentFile) - 1 : PATH_MAX - 1;
        std::fprintf(stderr, "quadrivo: the path is too long to open (%d bytes, at most %d): %s\n",
                     int(path.size()), most, source);
        return 2;
    }
    if (!source) {
        RunCommand(S, CMD_STARTUP); // the session the window would restore
        applyOptions();
    } else if (isFile) {
        OpenFileByName(S, path.constData());
        if (S->AnalysisOptions.setupMode)
            RunCommand(S, CMD_SETUP); // a collection puzzle: a new game
    } else if (ReadPuzzleLine(source, std::strlen(source), cells, why) >= 0) {
        ResetGame(S);
        std::memcpy(S->Board, cells, 81);
        RefreshSession(S, {.check = true, .marks = true});
        ResetPosition(S);
    } else {
        std::fprintf(stderr,
                     "quadrivo: neither a readable file nor an 81-character puzzle: %s (%s)\n",
                     source, why);
        return 2;
    }

    if (solution) {
        if (CheckPosition(S) != VERDICT_UNIQUE)
            return Fail("--solution needs a puzzle with exactly one solution");
        S->ShowSolution = 1;
    }

    RefreshStep(S);
    if (!WritePicture(ScaleCrisp(RenderBoard(S, focus, PaletteFor(theme, false)), scale), out)) {
        std::fprintf(stderr, "quadrivo: %s\n", LastSaveError());
        return 1;
    }
    return 0;
}
