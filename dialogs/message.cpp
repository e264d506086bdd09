// The program's notices (verdicts, ratings, failures): a text and OK, captioned with the
// program's name. A dialog of its own rather than the toolkit's message box, whose fixed size
// would leave no room for the caption in the title bar.
#include "dialogs/dialogs.h"
#include "model/hooks.h"
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

// A box with text and the buttons given; the dialog's result (Accepted for OK or Yes).
static int RunBox(QWidget* owner, const QString& text, QDialogButtonBox::StandardButtons which) {
    QDialog dialog(owner);
    dialog.setObjectName("message");
    dialog.setWindowTitle(PROGRAM_NAME);
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(text, &dialog);
    label->setObjectName("text");
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A line of the text stays whole ("Player's rating: 8.3 Extreme (Forcing chain)"); only a
    // line wider than about 48 characters wraps.
    int widest = 0;
    for (const QString& line : text.split('\n'))
        widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
    label->setMinimumWidth(std::min(widest + 2, 48 * label->fontMetrics().averageCharWidth()));
    layout->addWidget(label);
    auto* buttons = new QDialogButtonBox(which, &dialog);
    buttons->setCenterButtons(true);
    if (which & QDialogButtonBox::No) { // Enter, pressed by habit, answers No
        buttons->button(QDialogButtonBox::No)->setDefault(true);
        buttons->button(QDialogButtonBox::No)->setFocus();
    }
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return dialog.exec();
}

int RunMessageDialog(QWidget* owner, const QString& text) {
    return RunBox(owner, text, QDialogButtonBox::Ok) == QDialog::Accepted ? DIALOG_OK
                                                                          : DIALOG_CANCEL;
}

int RunQuestionDialog(QWidget* owner, const QString& text) {
    // No is the default: Enter, pressed by habit, replaces nothing.
    return RunBox(owner, text, QDialogButtonBox::Yes | QDialogButtonBox::No) == QDialog::Accepted;
}
