// "Analysis Options": one box per technique bit and the order of the steps shown; OK replaces
// the technique mask and the order.
#include "control/dialogrules.h"
#include "control/session.h"
#include "control/stepview.h"
#include "dialogs/dialogs.h"
#include "model/hooks.h"
#include "model/options.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
// The boxes in the order they stand, with the bit each stands for.
constexpr struct {
    const char* text;
    uint32_t bit;
} BOXES[] = {
    {"Hidden and naked subsets", TECH_SUBSETS},
    {"Locked candidates", TECH_LOCKED},
    {"Grid analysis", TECH_GRID},
    {"Almost Locked Sets", TECH_ALS},
    {"Forcing Chains", TECH_CHAINS},
};
constexpr uint32_t BoxBits() {
    uint32_t bits = 0;
    for (const auto& box : BOXES) bits |= box.bit;
    return bits;
}
static_assert(BoxBits() == OPTION_BOX_MASK, "a box for every technique the dialog sets");
} // namespace

int RunAnalysisOptionsDialog(Session* S, QWidget* owner) {
    QDialog dialog(owner);
    dialog.setWindowTitle("Analysis Options");
    auto* layout = new QVBoxLayout(&dialog);
    QCheckBox* boxes[5];
    for (int i = 0; i < 5; i++) {
        boxes[i] = new QCheckBox(BOXES[i].text, &dialog);
        boxes[i]->setObjectName(QString::number(256 + BOXES[i].bit)); // the command-id rule
        boxes[i]->setChecked(S->AnalysisOptions.techniques & BOXES[i].bit);
        layout->addWidget(boxes[i]);
    }
    // The order: which of the two the control layer runs is its own affair.
    auto* orderBox = new QGroupBox("Order:", &dialog);
    auto* orderLayout = new QHBoxLayout(orderBox);
    auto* classic = new QRadioButton("Classic", orderBox);
    auto* player = new QRadioButton("Player's", orderBox);
    classic->setObjectName("orderClassic");
    player->setObjectName("orderPlayer");
    auto* orders = new QButtonGroup(&dialog);
    orders->addButton(classic, VIEW_ORDER_CLASSIC);
    orders->addButton(player, VIEW_ORDER_PLAYER);
    (S->Order == VIEW_ORDER_CLASSIC ? classic : player)->setChecked(true);
    orderLayout->addWidget(classic);
    orderLayout->addWidget(player);
    layout->addWidget(orderBox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (dialog.exec() != QDialog::Accepted) return DIALOG_CANCEL;
    uint32_t checked = 0;
    for (int i = 0; i < 5; i++)
        if (boxes[i]->isChecked()) checked |= BOXES[i].bit;
    AcceptAnalysisOptions(S, checked);
    ChooseStepOrder(S, orders->checkedId());
    return DIALOG_OK;
}
