// The about box: the program's icon, name and version, and the platform it is built for.
#include "control/dialogrules.h"
#include "dialogs/dialogs.h"
#include "model/hooks.h"
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 256})
        icon.addFile(QString(":/icons/quadrivo-%1.png").arg(size), QSize(size, size));
    return icon;
}

int RunAboutDialog(QWidget* owner) {
    QDialog dialog(owner);
    dialog.setWindowTitle(QString("About ") + PROGRAM_NAME);
    auto* layout = new QVBoxLayout(&dialog);
    auto* icon = new QLabel(&dialog);
    const int side = std::max(32, 4 * dialog.fontMetrics().height()); // grows with the text
    icon->setPixmap(ProgramIcon().pixmap(side, side));
    icon->setAlignment(Qt::AlignHCenter);
    layout->addWidget(icon);
    char version[32];
    VersionLine(version, sizeof version);
    auto* line = new QLabel(version, &dialog);
    line->setObjectName("version");
    line->setAlignment(Qt::AlignHCenter);
    layout->addWidget(line);
    auto* platform = new QLabel("for Linux", &dialog);
    platform->setAlignment(Qt::AlignHCenter);
    layout->addWidget(platform);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    buttons->setCenterButtons(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return dialog.exec() == QDialog::Accepted ? DIALOG_OK : DIALOG_CANCEL;
}
