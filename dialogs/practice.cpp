// "Practice": the list of techniques a puzzle can be made for, by the player's levels, the one
// chosen last proposed. Which techniques may be practised is the core's rule (PracticeAllowed).
#include "analysis/player.h"
#include "control/create.h"
#include "control/session.h"
#include "dialogs/dialogs.h"
#include "model/hooks.h"
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

int RunPracticeDialog(Session* S, QWidget* owner) {
    QDialog dialog(owner);
    dialog.setWindowTitle("Practice");
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel("Technique to practise:", &dialog);
    layout->addWidget(label);
    auto* list = new QListWidget(&dialog);
    list->setObjectName("techniques");
    label->setBuddy(list);
    QFont heading = list->font();
    heading.setBold(true);
    int level = 0;
    for (const TechniqueRow& row : TECHNIQUE_TABLE) {
        if (!PracticeAllowed(row.technique)) continue;
        if (row.level != level) { // a heading for each level, not to be chosen
            level = row.level;
            auto* item = new QListWidgetItem(PlayerLevelName(level), list);
            item->setFont(heading);
            item->setFlags(Qt::NoItemFlags);
        }
        auto* item = new QListWidgetItem(QString("    ") + row.name, list);
        item->setData(Qt::UserRole, row.technique);
        if (row.technique == S->Practice || (!list->currentItem() && !PracticeAllowed(S->Practice)))
            list->setCurrentItem(item);
    }
    list->setMinimumHeight(list->sizeHintForRow(0) * 16);
    list->setMinimumWidth(list->sizeHintForColumn(0) + list->fontMetrics().averageCharWidth() * 6);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemActivated, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    list->scrollToItem(list->currentItem());
    if (dialog.exec() != QDialog::Accepted || !list->currentItem()) return DIALOG_CANCEL;
    S->Practice = list->currentItem()->data(Qt::UserRole).toInt();
    return DIALOG_OK;
}
