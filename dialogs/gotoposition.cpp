// "Goto Position": the number of the collection puzzle to show, proposed as the current one,
// with the range it takes; OK stays disabled while the text names no puzzle of the collection.
#include "control/dialogrules.h"
#include "dialogs/dialogs.h"
#include "model/hooks.h"
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

int RunGotoDialog(Session* S, QWidget* owner) {
    QDialog dialog(owner);
    dialog.setWindowTitle("Goto Position");
    auto* layout = new QHBoxLayout(&dialog);
    auto* range = new QLabel(QString("Puzzle (1 to %1):").arg(GotoLastNumber(S)), &dialog);
    range->setObjectName("range");
    layout->addWidget(range);
    auto* number = new QLineEdit(QString::number(unsigned(GotoProposedNumber(S))), &dialog);
    number->setObjectName("number");
    number->selectAll();
    range->setBuddy(number);
    layout->addWidget(number);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    auto follow = [S, number, ok] {
        ok->setEnabled(GotoTextNumber(S, number->text().toUtf8().constData()) > 0);
    };
    QObject::connect(number, &QLineEdit::textChanged, &dialog, follow);
    follow();
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return DIALOG_CANCEL;
    return AcceptGotoText(S, number->text().toUtf8().constData()) > 0 ? DIALOG_OK : DIALOG_CANCEL;
}
