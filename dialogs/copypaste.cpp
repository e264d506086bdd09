// "Copy Paste": the board as text in a chosen layout and empty-cell style, copied to the
// clipboard ("Output"), or a typed or pasted text taken in as a new puzzle ("Input"). The text
// box holds at most TEXT_MAX characters: a puzzle needs far fewer, and a text of megabytes would
// stall the window while it is laid out.
#include "control/dialogrules.h"
#include "dialogs/dialogs.h"
#include "files/text.h"
#include "model/hooks.h"
#include "model/options.h"
#include <QButtonGroup>
#include <QDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <functional>

namespace {
constexpr int TEXT_MAX = 16 * 1024; // characters the text box holds
constexpr const char* LIMIT_TEXT = "At most 16 KiB of text; a puzzle needs far less.";
constexpr const char* CUT_TEXT = "Cut to its first 16 KiB: a puzzle needs far less.";

// A text box that takes no more than TEXT_MAX characters, however they come: a paste or a drop
// is cut before it goes in, typing stops at the limit. cut is told when text was left out.
class CappedEdit : public QPlainTextEdit {
  public:
    CappedEdit(QWidget* parent, std::function<void()> cut)
        : QPlainTextEdit(parent), cut(std::move(cut)) {
        connect(this, &QPlainTextEdit::textChanged, this, &CappedEdit::Trim);
    }

  protected:
    void insertFromMimeData(const QMimeData* source) override {
        if (!source->hasText()) return;
        const QString text = source->text();
        const int room = std::max(0, TEXT_MAX - Length() + int(textCursor().selectedText().size()));
        insertPlainText(text.left(room));
        if (text.size() > room) cut();
    }

  private:
    int Length() const { return document()->characterCount() - 1; } // without the final end
    // Typing (or anything else) past the limit: the end goes.
    void Trim() {
        if (Length() <= TEXT_MAX) return;
        QTextCursor end(document());
        end.setPosition(TEXT_MAX);
        end.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        end.removeSelectedText();
        cut();
    }
    std::function<void()> cut;
};

// Radio buttons by group: text and the blockFormat bit each stands for (its id is 256 + bit).
constexpr struct {
    const char* text;
    uint32_t bit;
} LAYOUTS[] = {{"&Linear", LAYOUT_LINEAR}, {"&9x9", LAYOUT_9X9}, {"&3x3", LAYOUT_3X3}},
  EMPTIES[] = {{"&Nulls", EMPTY_NULLS}, {"&Dots", EMPTY_DOTS}, {"&Dashes", EMPTY_DASHES}};

QGroupBox* RadioGroup(QDialog* dialog, const char* title, const decltype(LAYOUTS)& radios,
                      QButtonGroup* group) {
    auto* box = new QGroupBox(title, dialog);
    auto* layout = new QVBoxLayout(box);
    for (const auto& r : radios) {
        auto* button = new QRadioButton(r.text, box);
        button->setObjectName(QString::number(256 + r.bit));
        group->addButton(button, int(256 + r.bit));
        layout->addWidget(button);
    }
    return box;
}
} // namespace

int RunBlockEntryDialog(Session* S, QWidget* owner) {
    QDialog dialog(owner);
    dialog.setWindowTitle("Copy Paste");
    auto* grid = new QGridLayout(&dialog);
    auto* limit = new QLabel(LIMIT_TEXT, &dialog);
    limit->setObjectName("limit");
    limit->setWordWrap(true);
    auto* edit = new CappedEdit(&dialog, [limit] { limit->setText(CUT_TEXT); });
    edit->setObjectName("text");
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (dialog.font().pixelSize() > 0) fixed.setPixelSize(dialog.font().pixelSize()); // zoomed
    edit->setFont(fixed);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setMinimumSize(edit->fontMetrics().horizontalAdvance('0') * 16,
                         edit->fontMetrics().height() * 13);
    grid->addWidget(edit, 0, 0, 3, 1);
    grid->addWidget(limit, 3, 0, 1, 2);

    auto* output = new QPushButton("Output", &dialog);
    auto* input = new QPushButton("Input", &dialog);
    auto* close = new QPushButton("Close", &dialog);
    auto* layouts = new QButtonGroup(&dialog);
    auto* empties = new QButtonGroup(&dialog);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(output);
    buttons->addWidget(input);
    buttons->addWidget(close);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 1);
    grid->addWidget(RadioGroup(&dialog, "Grid", LAYOUTS, layouts), 1, 1);
    grid->addWidget(RadioGroup(&dialog, "Empty Cells", EMPTIES, empties), 2, 1);

    auto show = [S, edit] {
        char text[TEXT_BUFFER_SIZE];
        BlockEntryText(S, text);
        edit->setPlainText(QString::fromLatin1(text).replace("\r\n", "\n"));
        edit->selectAll();
    };
    if (QAbstractButton* b = layouts->button(LayoutRadioId(S))) b->setChecked(true);
    if (QAbstractButton* b = empties->button(EmptyRadioId(S))) b->setChecked(true);
    show();

    // A radio click rebuilds the format from every checked button and shows the board again.
    auto reformat = [S, layouts, empties, show] {
        uint32_t bits = 0;
        for (QButtonGroup* group : {layouts, empties})
            if (group->checkedId() > 256) bits |= uint32_t(group->checkedId() - 256);
        AcceptBlockFormat(S, bits);
        show();
    };
    QObject::connect(layouts, &QButtonGroup::idClicked, &dialog, reformat);
    QObject::connect(empties, &QButtonGroup::idClicked, &dialog, reformat);
    QObject::connect(output, &QPushButton::clicked, &dialog, [S, edit] {
        edit->selectAll();
        CopyBlockEntryText(S, edit->toPlainText().toUtf8().constData());
    });
    QObject::connect(input, &QPushButton::clicked, &dialog, [S, &dialog, edit] {
        // The parser reads at most 255 characters of the text, as one block.
        const QString text = edit->toPlainText().left(TEXT_BUFFER_SIZE - 1);
        AcceptBlockEntryText(S, text.toUtf8().constData());
        dialog.done(DIALOG_INPUT);
    });
    QObject::connect(close, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(DIALOG_OK); });
    const int result = dialog.exec();
    return result == DIALOG_INPUT || result == DIALOG_OK ? result : DIALOG_CANCEL;
}
