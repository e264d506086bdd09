// The row of digit buttons under the board for digit-first entry: 1..9, each with how many of
// it are still to place, the chosen one checked. It follows the session after every paint.
#pragma once
#include <QWidget>

class QToolButton;
struct Session;

class DigitBar : public QWidget {
    Q_OBJECT
  public:
    // The buttons of a session (not owned; it outlives the bar).
    DigitBar(Session* session, QWidget* parent);
    // The buttons as the session stands: the chosen digit checked, the counts left.
    void Refresh();
    QToolButton* Button(int digit) const { return buttons[digit - 1]; }

  private:
    Session* const S;
    QToolButton* buttons[9] = {};
};
