// "Goto Position": the number of the collection puzzle to show, proposed as the current one.
#include "control/dialogrules.h"
#include "dialogs/dialogs.h"
#include "model/hooks.h"
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLineEdit>

int RunGotoDialog(Session* S, QWidget* owner) {
    QDialog dialog(owner);
    dialog.setWindowTitle("Goto Position");
    auto* layout = new QHBoxLayout(&dialog);
    auto* number = new QLineEdit(QString::number(unsigned(GotoProposedNumber(S))), &dialog);
    number->setObjectName("number");
    number->selectAll();
    layout->addWidget(number);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return DIALOG_CANCEL;
    AcceptGotoText(S, number->text().toUtf8().constData());
    return DIALOG_OK;
}
