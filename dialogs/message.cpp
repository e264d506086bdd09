// The program's notices (verdicts, ratings, failures): a text and OK, captioned with the
// program's name. A dialog of its own rather than the toolkit's message box, whose fixed size
// would leave no room for the caption in the title bar.
#include "dialogs/dialogs.h"
#include "model/hooks.h"
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

int RunMessageDialog(QWidget* owner, const QString& text) {
    QDialog dialog(owner);
    dialog.setObjectName("message");
    dialog.setWindowTitle(PROGRAM_NAME);
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(text, &dialog);
    label->setObjectName("text");
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(label);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    buttons->setCenterButtons(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    return dialog.exec() == QDialog::Accepted ? DIALOG_OK : DIALOG_CANCEL;
}
