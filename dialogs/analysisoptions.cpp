// "Analysis Options": one box per technique bit; OK replaces the technique mask.
#include "control/dialogrules.h"
#include "control/session.h"
#include "dialogs/dialogs.h"
#include "model/hooks.h"
#include "model/options.h"
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
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
    return DIALOG_OK;
}
