// Printing and the PDF booklet. Both gather the puzzles as PrintedPuzzle records and hand them
// to PaintBooklet (display/booklet.h), on a QPrinter or a QPdfWriter.
#include "shell/print.h"
#include "control/session.h"
#include "display/booklet.h"
#include "files/gamefile.h"
#include "files/text.h"
#include "model/board.h"
#include "model/hooks.h"
#include "model/options.h"
#include "shell/picture.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QSpinBox>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {
const char* const USAGE =
    "usage: quadrivo --pdf OUT.pdf [--per-page N] [--solutions] FILE|PUZZLE...\n"
    "Writes a booklet of puzzles as a PDF (A4, vector): every puzzle of each collection\n"
    "file, the puzzle of each saved game, and each 81-character PUZZLE, in order.\n"
    "  --per-page N   puzzles to a page: 1, 2, 4 or 6 (default 6)\n"
    "  --solutions    solution pages after the puzzles\n"
    "Exit status: 0 written, 1 the file could not be written, 2 bad input.\n";

constexpr int PDF_DPI = 300;

int Fail(const char* what, const QString& detail = {}) {
    std::fprintf(stderr, "quadrivo: %s%s\n", what, detail.toLocal8Bit().constData());
    return 2;
}

// The givens of a session's board (entries left out).
PrintedPuzzle GivensOf(const Session* S, const QString& caption) {
    // In setup mode every digit is an entry: all of them are the puzzle being set up.
    const bool setup = S->AnalysisOptions.setupMode != 0;
    PrintedPuzzle p;
    for (int i = 0; i < 81; i++)
        p.cells[i] = S->Board[i] & CELL_ENTERED && !setup ? 0 : uint8_t(S->Board[i] & CELL_DIGIT);
    p.caption = caption;
    return p;
}

// Puzzle lines of a file, in order, numbered from 1 in their captions; lines from index first
// to last (0-based, counting puzzle lines only) are kept. False when the file cannot be read.
bool ReadPuzzleLines(const QString& path, int first, int last, std::vector<PrintedPuzzle>* out) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QString name = QFileInfo(path).fileName();
    int index = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        PrintedPuzzle p;
        char why[PUZZLE_WHY_SIZE];
        if (ReadPuzzleLine(line.constData(), size_t(line.size()), p.cells, why) < 0) continue;
        if (index >= first && index <= last) {
            p.caption = QString("%1 #%2").arg(name).arg(index + 1);
            out->push_back(p);
        }
        index++;
    }
    return true;
}

bool WritePdf(const char* path, const std::vector<PrintedPuzzle>& puzzles, int perPage,
              bool solutions) {
    QPdfWriter writer(QString::fromLocal8Bit(path));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(PDF_DPI);
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setCreator("Quadrivo");
    writer.setTitle("Quadrivo puzzles");
    return PaintBooklet(&writer, puzzles, perPage, solutions) > 0;
}
} // namespace

int RunPdfMode(const QStringList& arguments) {
    QString out;
    int perPage = 6;
    bool solutions = false;
    QStringList sources;
    for (qsizetype i = 0; i < arguments.size(); i++) {
        const QString& a = arguments[i];
        if (a == "-h" || a == "--help") {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if ((a == "--pdf" || a == "--per-page") && i + 1 == arguments.size())
            return Fail("missing value after ", a);
        if (a == "--pdf" || a.startsWith("--pdf=")) {
            out = a == "--pdf" ? arguments[++i] : a.mid(6);
        } else if (a == "--per-page" || a.startsWith("--per-page=")) {
            const QString value = a == "--per-page" ? arguments[++i] : a.mid(11);
            bool number = false;
            perPage = value.toInt(&number);
            if (!number || !ValidPerPage(perPage))
                return Fail("--per-page takes 1, 2, 4 or 6, not ", value);
        } else if (a == "--solutions") {
            solutions = true;
        } else {
            sources << a; // a puzzle may start with '-' (an empty first cell)
        }
    }
    if (out.isEmpty()) return Fail("--pdf needs the name of the PDF file to write");
    if (sources.isEmpty()) return Fail("no puzzle or file to print");

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    char name[] = "quadrivo";
    char* qtArgv[] = {name, nullptr};
    int qtArgc = 1;
    QGuiApplication app(qtArgc, qtArgv);

    std::vector<PrintedPuzzle> puzzles;
    for (const QString& source : sources) {
        const QByteArray bytes = source.toLatin1();
        PrintedPuzzle p;
        char why[PUZZLE_WHY_SIZE];
        if (ReadPuzzleLine(bytes.constData(), size_t(bytes.size()), p.cells, why) >= 0) {
            p.caption = QString::number(puzzles.size() + 1);
            puzzles.push_back(p);
            continue;
        }
        const QByteArray path = AbsolutePath(bytes.constData());
        const size_t before = puzzles.size();
        if (!ReadPuzzleLines(QString::fromLatin1(path), 0, INT_MAX, &puzzles))
            return Fail("neither a readable file nor an 81-character puzzle: ", source);
        if (puzzles.size() > before) continue;
        // No puzzle lines: a saved game, read as the window reads one.
        auto session = std::make_unique<Session>();
        if (path.size() >= qsizetype(sizeof session->CurrentFile) ||
            LoadGameFile(session.get(), path.constData()) == 0)
            return Fail("not a puzzle file: ", source);
        puzzles.push_back(GivensOf(session.get(), QFileInfo(source).fileName()));
    }
    if (!WritePdf(QFile::encodeName(out).constData(), puzzles, perPage, solutions)) {
        std::fprintf(stderr, "quadrivo: cannot write %s\n", out.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

void RunPrintDialog(Session* S, QWidget* parent) {
    // What to print: the puzzle shown, or a range of the open collection.
    QDialog choice(parent);
    choice.setWindowTitle("Print");
    auto* form = new QFormLayout(&choice);
    auto* current = new QRadioButton("The puzzle shown", &choice);
    auto* range = new QRadioButton("Puzzles of the collection", &choice);
    auto* from = new QSpinBox(&choice);
    auto* to = new QSpinBox(&choice);
    const bool collection = S->CurrentFile[0] && S->CollectionCount > 1;
    const int count = collection ? S->CollectionCount : 1;
    from->setRange(1, count);
    to->setRange(1, count);
    const int shown = S->CollectionIndex >= 0 ? S->CollectionIndex + 1 : 1;
    from->setValue(shown);
    to->setValue(std::min(count, shown + 5));
    current->setChecked(true);
    range->setEnabled(collection);
    from->setEnabled(collection);
    to->setEnabled(collection);
    auto* perPage = new QComboBox(&choice);
    for (int n : {1, 2, 4, 6}) perPage->addItem(QString::number(n), n);
    perPage->setCurrentIndex(0);
    auto* solutions = new QCheckBox("Solutions page", &choice);
    form->addRow(current);
    form->addRow(range);
    form->addRow("From", from);
    form->addRow("To", to);
    form->addRow("Puzzles per page", perPage);
    form->addRow(solutions);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &choice);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &choice, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &choice, &QDialog::reject);
    QObject::connect(range, &QRadioButton::toggled, perPage, [perPage](bool on) {
        if (on && perPage->currentIndex() == 0) perPage->setCurrentIndex(3);
    });
    form->addRow(buttons);
    if (choice.exec() != QDialog::Accepted) return;

    std::vector<PrintedPuzzle> puzzles;
    if (range->isChecked()) {
        const int first = std::min(from->value(), to->value()) - 1;
        const int last = std::max(from->value(), to->value()) - 1;
        ReadPuzzleLines(QString::fromUtf8(S->CurrentFile), first, last, &puzzles);
    } else {
        const QString name = S->CurrentFile[0]
                                 ? QFileInfo(QString::fromUtf8(S->CurrentFile)).fileName()
                                 : QString(PROGRAM_NAME);
        puzzles.push_back(GivensOf(S, S->CollectionIndex >= 0
                                          ? QString("%1 #%2").arg(name).arg(S->CollectionIndex + 1)
                                          : name));
    }
    if (puzzles.empty()) return;

    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName("Quadrivo puzzles");
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle("Print");
    if (dialog.exec() != QDialog::Accepted) return;
    PaintBooklet(&printer, puzzles, perPage->currentData().toInt(), solutions->isChecked());
}
