// The digit buttons: a click chooses (or clears) the digit through the control layer, which
// also decides what a tap on the board then does.
#include "shell/digitbar.h"
#include "control/digitfirst.h"
#include "control/session.h"
#include <QHBoxLayout>
#include <QToolButton>

DigitBar::DigitBar(Session* session, QWidget* parent) : QWidget(parent), S(session) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    for (int digit = 1; digit <= 9; digit++) {
        auto* button = new QToolButton(this);
        button->setCheckable(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        button->setFocusPolicy(Qt::NoFocus); // the board keeps the keyboard
        connect(button, &QToolButton::clicked, this, [this, digit] {
            ChooseDigit(S, digit);
            Refresh();
        });
        layout->addWidget(button);
        buttons[digit - 1] = button;
    }
    Refresh();
}

void DigitBar::Refresh() {
    for (int digit = 1; digit <= 9; digit++) {
        QToolButton* button = buttons[digit - 1];
        const int left = DigitsLeft(S, digit);
        // The count still to place, small and raised, left of the digit itself.
        static const char16_t RAISED[10] = {u'\u2070', u'\u00B9', u'\u00B2', u'\u00B3', u'\u2074',
                                            u'\u2075', u'\u2076', u'\u2077', u'\u2078', u'\u2079'};
        const QString text = QString(QChar(RAISED[left])) + QString::number(digit);
        if (button->text() != text) {
            button->setText(text);
            button->setToolTip(
                QString("Digit %1: %2 left to place (Shift+%1)").arg(digit).arg(left));
            button->setAccessibleName(QString("Digit %1, %2 left").arg(digit).arg(left));
        }
        button->setChecked(S->ChosenDigit == digit);
    }
}
