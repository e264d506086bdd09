// The board on screen: the native picture scaled by the largest whole factor that fits, with no
// smoothing; mouse presses, holds and releases mapped back to board pixels for the taps; the
// keyboard cursor frame; keys for keyboard play.
#pragma once
#include <QElapsedTimer>
#include <QPoint>
#include <QTimer>
#include <QWidget>

struct Session;

class BoardWidget : public QWidget {
    Q_OBJECT
  public:
    // The board of a session (not owned; it outlives the widget).
    BoardWidget(Session* session, QWidget* parent);

    // Device pixels per board pixel: the largest whole factor for which the board fits the
    // widget (at least 1). The zoom commands resize the window to ask for another one.
    int Factor() const;
    // The factor the widget would have at a size, for a device-pixel ratio.
    static int FactorFor(QSize size, qreal dpr);
    // The widget size that shows the board at factor (in logical pixels).
    QSize SizeForFactor(int factor) const;
    // The factor the widget asks its window for (its size hint).
    void SetPreferredFactor(int factor);
    int PreferredFactor() const { return preferredFactor; }
    // Board pixel under a widget position (integer division: every board rule holds at any zoom).
    QPoint ToBoard(QPointF position) const;
    // Widget rectangle of a board rectangle.
    QRect ToWidget(QRect board) const;

    void InvalidateCell(int cell);
    // Opens the digit popup beside a cell: just right of it (left of it in the last column),
    // 50 board pixels above its top.
    void ShowDigitPopup(int cell);

    QSize sizeHint() const override;
    // The session shown (for the accessible table, which reads it on every query).
    const Session* Game() const { return S; }

  signals:
    // After each paint.
    void Painted();
    // The desktop's palette changed (the board's theme may follow it).
    void ThemeChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void HoldTimeout();
    QPoint Origin() const; // top-left of the board picture inside the widget

    Session* const S;
    int preferredFactor = 2;
    QTimer holdTimer;
    QPoint pressBoard;   // board pixel of the left press being watched for a hold
    QPointF pressWidget; // widget position of that press
    bool pressing = false;
    bool held = false; // the press turned into a hold: its release is not a tap
};
