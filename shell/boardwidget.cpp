// The board widget: paints the native picture scaled crisply and turns mouse and keys into the
// core's taps, holds, pointer moves and keys. Every paint renders the whole picture from what
// the core holds; a cell's invalidation repaints only its square on screen.
#include "shell/boardwidget.h"
#include "control/commands.h"
#include "control/digitfirst.h"
#include "control/focus.h"
#include "control/keys.h"
#include "control/session.h"
#include "control/taps.h"
#include "display/paint.h"
#include "shell/scaling.h"
#include "shell/theme.h"
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace {
constexpr int HOLD_MILLISECONDS = 500;
constexpr int HOLD_SLACK = 4; // widget pixels a held press may drift and still count as held
constexpr QRgb CURSOR_COLOUR = 0xFFFF8C00;
} // namespace

BoardWidget::BoardWidget(Session* session, QWidget* parent) : QWidget(parent), S(session) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true); // the digit under the pointer is drawn before any click
    setMinimumSize(BOARD_PICTURE_WIDTH, BOARD_PICTURE_HEIGHT);
    holdTimer.setSingleShot(true);
    holdTimer.setInterval(HOLD_MILLISECONDS);
    connect(&holdTimer, &QTimer::timeout, this, &BoardWidget::HoldTimeout);
}

int BoardWidget::FactorFor(QSize size, qreal dpr) {
    const int fx = int(size.width() * dpr) / BOARD_PICTURE_WIDTH;
    const int fy = int(size.height() * dpr) / BOARD_PICTURE_HEIGHT;
    return std::max(1, std::min(fx, fy));
}

int BoardWidget::Factor() const {
    return FactorFor(size(), devicePixelRatioF());
}

QSize BoardWidget::SizeForFactor(int factor) const {
    const qreal dpr = devicePixelRatioF();
    return QSize(int(std::ceil(BOARD_PICTURE_WIDTH * factor / dpr)),
                 int(std::ceil(BOARD_PICTURE_HEIGHT * factor / dpr)));
}

void BoardWidget::SetPreferredFactor(int factor) {
    preferredFactor = std::max(1, factor);
    updateGeometry();
}

QSize BoardWidget::sizeHint() const {
    return SizeForFactor(preferredFactor);
}

QPoint BoardWidget::Origin() const {
    // Centred across the widget, at its top.
    const qreal dpr = devicePixelRatioF();
    const int width = int(BOARD_PICTURE_WIDTH * Factor() / dpr);
    return QPoint(std::max(0, (this->width() - width) / 2), 0);
}

QPoint BoardWidget::ToBoard(QPointF position) const {
    const qreal dpr = devicePixelRatioF();
    const QPointF device = (position - Origin()) * dpr;
    const int f = Factor();
    return QPoint(int(std::floor(device.x() / f)), int(std::floor(device.y() / f)));
}

QRect BoardWidget::ToWidget(QRect board) const {
    const qreal scale = Factor() / devicePixelRatioF();
    const QPoint o = Origin();
    return QRect(
        o.x() + int(std::floor(board.x() * scale)), o.y() + int(std::floor(board.y() * scale)),
        int(std::ceil(board.width() * scale)) + 1, int(std::ceil(board.height() * scale)) + 1);
}

void BoardWidget::InvalidateCell(int cell) {
    if (cell < 0 || cell > 80) return;
    update(ToWidget(QRect(CellX(cell), CellY(cell), CELL_PITCH, CELL_PITCH)));
}

void BoardWidget::paintEvent(QPaintEvent*) {
    const BoardPalette& palette = ShownPalette(S);
    const QImage picture = RenderBoard(S, ShownFocus(S), palette);
    const int f = Factor();
    const qreal dpr = devicePixelRatioF();
    QImage scaled = ScaleCrisp(picture, f);
    scaled.setDevicePixelRatio(dpr);

    QPainter painter(this);
    painter.fillRect(rect(), ColourOf(palette.background));
    const QPoint o = Origin();
    painter.drawImage(o, scaled);

    // The keyboard cursor: a frame just inside the cell, drawn at screen resolution.
    const int cursor = S->Focus.cursorCell;
    if (cursor >= 0 && cursor <= 80) {
        const QRect cell = ToWidget(QRect(CellX(cursor) + 1, CellY(cursor) + 1, 24, 24));
        const int width = std::max(2, int(f / dpr) / 2 + 1);
        QPen pen(QColor::fromRgba(CURSOR_COLOUR), width);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(cell.adjusted(width / 2, width / 2, -width / 2 - 2, -width / 2 - 2));
    }
    emit Painted();
}

void BoardWidget::changeEvent(QEvent* event) {
    // The desktop's colours changed: a board following them is drawn afresh.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange)
        emit ThemeChanged();
    QWidget::changeEvent(event);
}

void BoardWidget::mousePressEvent(QMouseEvent* event) {
    if (S->Paused) { // a click on the covered board resumes the game, and does nothing else
        RunCommand(S, CMD_PAUSE);
        return;
    }
    const QPoint board = ToBoard(event->position());
    if (event->button() == Qt::RightButton) {
        // A secondary click is a tap-and-hold at once.
        if (StylusDown(S, SpotAt(board.x(), board.y())) >= 0) StylusHold(S);
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    pressing = true;
    held = false;
    pressBoard = board;
    pressWidget = event->position();
    if (StylusDown(S, SpotAt(board.x(), board.y())) >= 0) holdTimer.start();
}

void BoardWidget::mouseMoveEvent(QMouseEvent* event) {
    if (holdTimer.isActive() && (event->position() - pressWidget).manhattanLength() > HOLD_SLACK)
        holdTimer.stop(); // moving: not a hold
    const QPoint board = ToBoard(event->position());
    PointerAt(S, SpotAt(board.x(), board.y()));
}

void BoardWidget::leaveEvent(QEvent*) {
    PointerAt(S, BoardSpot{});
}

void BoardWidget::HoldTimeout() {
    if (!pressing) return;
    held = true;
    StylusHold(S);
}

void BoardWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressing) return;
    pressing = false;
    holdTimer.stop();
    if (held) return; // the popup took this press
    const QPoint board = ToBoard(event->position());
    const BoardSpot spot = SpotAt(board.x(), board.y());
    if (!TapChosenDigit(S, spot.cell)) StylusUp(S, spot);
}

void BoardWidget::ShowDigitPopup(int cell) {
    if (cell < 0 || cell > 80) return;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (int d = 0; d < 9; d++) {
        QAction* action = menu->addAction(QString::number(d + 1));
        connect(action, &QAction::triggered, this, [this, d] { RunCommand(S, CMD_DIGIT_1 + d); });
    }
    // Just right of the cell, or left of it in the last column, 50 board pixels above its top;
    // then moved to lie over the main window and inside the screen.
    const QSize size = menu->sizeHint();
    const bool lastColumn = cell % 9 == 8;
    const int x = lastColumn ? CellX(cell) : CellX(cell) + CELL_PITCH + 1;
    QPoint at = mapToGlobal(ToWidget(QRect(x, CellY(cell) - POPUP_ABOVE, 1, 1)).topLeft());
    if (lastColumn) at.rx() -= size.width();
    menu->popup(FitInside(QRect(at, size), window()).topLeft());
}

void BoardWidget::keyPressEvent(QKeyEvent* event) {
    const bool modifierAlone = event->key() == Qt::Key_Shift || event->key() == Qt::Key_Control ||
                               event->key() == Qt::Key_Alt || event->key() == Qt::Key_Meta;
    if (S->Paused && !modifierAlone && !(event->modifiers() & Qt::ControlModifier)) {
        RunCommand(S, CMD_PAUSE); // a key resumes the game, and does nothing else
        return;
    }
    static const struct {
        int qt, key;
    } KEYS[] = {{Qt::Key_Left, KEY_LEFT},     {Qt::Key_Right, KEY_RIGHT},
                {Qt::Key_Up, KEY_UP},         {Qt::Key_Down, KEY_DOWN},
                {Qt::Key_Delete, KEY_DELETE}, {Qt::Key_Backspace, KEY_DELETE},
                {Qt::Key_Escape, KEY_ESCAPE}};
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier)
        for (auto k : KEYS)
            if (event->key() == k.qt) {
                if (!PressKey(S, k.key)) event->ignore();
                return;
            }
    // Shift+1..9 chooses the digit of digit-first entry (on any keyboard layout: the key's
    // digit, or the symbol a US layout puts over it).
    static const int SHIFTED[9] = {Qt::Key_Exclam,    Qt::Key_At,       Qt::Key_NumberSign,
                                   Qt::Key_Dollar,    Qt::Key_Percent,  Qt::Key_AsciiCircum,
                                   Qt::Key_Ampersand, Qt::Key_Asterisk, Qt::Key_ParenLeft};
    if (mods == Qt::ShiftModifier)
        for (int d = 1; d <= 9; d++)
            if (event->key() == Qt::Key_0 + d || event->key() == SHIFTED[d - 1]) {
                ChooseDigit(S, d);
                return;
            }
    const QString text = event->text();
    if (!(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) && text.size() == 1 &&
        text[0].isPrint()) {
        TypeKey(S, text[0].unicode());
        return;
    }
    QWidget::keyPressEvent(event);
}
