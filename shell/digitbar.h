// The row of digit buttons under the board for digit-first entry: 1..9, each with how many of
// it are still to place, the chosen one checked. It follows the session after every paint.
#pragma once
#include <QWidget>

class QToolButton;

class DigitBar : public QWidget {
    Q_OBJECT
  public:
    explicit DigitBar(QWidget* parent = nullptr);
    // The buttons as the session stands: the chosen digit checked, the counts left.
    void Refresh();
    QToolButton* Button(int digit) const { return buttons[digit - 1]; }

  private:
    QToolButton* buttons[9] = {};
};
