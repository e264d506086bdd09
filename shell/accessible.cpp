// The board's accessible table. The board interface owns its 81 cell interfaces (registered with
// Qt's accessibility cache so readers address them by id) and reads the session on every query,
// so it holds nothing that can go stale; only the last announced state of each cell is kept
// here, to tell what changed.
#include "shell/accessible.h"
#include "control/session.h"
#include "display/geometry.h"
#include "model/board.h"
#include "model/options.h"
#include "shell/boardwidget.h"
#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>

namespace {
// Cell name parts, and the marks a reader should hear: the player's, or the candidates shown.
uint16_t ShownMarks(const Session* S, int cell) {
    return S->AnalysisOptions.showCandidates ? S->CandidateGrid[cell] : S->MarkGrid[cell];
}

QString MarkList(uint16_t marks) {
    QString list;
    for (int d = 0; d < 9; d++)
        if (marks >> d & 1) list += (list.isEmpty() ? "" : " ") + QString::number(d + 1);
    return list;
}

// Tells screen readers of an event on one cell of the board's table.
void TellReaders(QWidget* board, QAccessible::Event type, int cell) {
    QAccessibleEvent event(board, type);
    event.setChild(cell);
    QAccessible::updateAccessibility(&event);
}

// The session a board widget shows; null once the widget is gone.
const Session* SessionOf(const QWidget* board) {
    return board ? static_cast<const BoardWidget*>(board)->Game() : nullptr;
}

// What the last announcement knew of each cell, and the description said with it.
struct Announced {
    uint8_t byte[81] = {};
    uint16_t marks[81] = {};
    int cursor = -1;
    bool valid = false;
    QString said[81];
} Last;

class CellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
  public:
    CellAccessible(QWidget* board, int cell) : board(board), cell(cell) {}
    bool isValid() const override { return !board.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return board ? board->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(board.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        const Session* S = SessionOf(board);
        if (!S) return {};
        if (t == QAccessible::Name) return CellDescription(S, cell);
        if (t == QAccessible::Value) {
            const int digit = S->Board[cell] & CELL_DIGIT;
            return digit ? QString::number(digit) : QString();
        }
        if (t == QAccessible::Description) return Last.said[cell];
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        auto* widget = static_cast<BoardWidget*>(board.data());
        if (!widget) return {};
        const QRect local = widget->ToWidget(QRect(CellX(cell) + 1, CellY(cell) + 1, 24, 24));
        return QRect(widget->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.focusable = true;
        s.selectable = true;
        const Session* S = SessionOf(board);
        const bool cursor = S && S->Focus.cursorCell == cell;
        s.focused = cursor && board && board->hasFocus();
        s.selected = cursor;
        s.readOnly = S && S->Board[cell] && !(S->Board[cell] & CELL_ENTERED);
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }
    // The table cell interface.
    bool isSelected() const override {
        const Session* S = SessionOf(board);
        return S && S->Focus.cursorCell == cell;
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return cell % 9; }
    int rowIndex() const override { return cell / 9; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

  private:
    QPointer<QWidget> board;
    int cell;
};

class BoardAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
  public:
    explicit BoardAccessible(QWidget* board) : QAccessibleWidget(board, QAccessible::Table) {
        for (int cell = 0; cell < 81; cell++)
            ids[cell] = QAccessible::registerAccessibleInterface(new CellAccessible(board, cell));
    }
    ~BoardAccessible() override {
        for (QAccessible::Id id : ids) QAccessible::deleteAccessibleInterface(id);
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return "Sudoku board";
        if (t == QAccessible::Description)
            return "9 by 9 cells; arrow keys move, digits enter, Delete clears";
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 81; }
    QAccessibleInterface* child(int index) const override {
        return index >= 0 && index < 81 ? QAccessible::accessibleInterface(ids[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int cell = 0; cell < 81; cell++)
            if (QAccessible::accessibleInterface(ids[cell]) == child) return cell;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        auto* board = static_cast<BoardWidget*>(widget());
        const QPoint at = board->ToBoard(board->mapFromGlobal(QPoint(x, y)));
        const int cell = HitTestCell(at.x(), at.y());
        return cell >= 0 ? child(cell) : nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        const Session* S = SessionOf(widget());
        return S && S->Focus.cursorCell >= 0 ? child(S->Focus.cursorCell) : nullptr;
    }
    // The table interface: 9 x 9, the cursor cell the one selected.
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        return row >= 0 && row < 9 && column >= 0 && column < 9 ? child(9 * row + column) : nullptr;
    }
    int selectedCellCount() const override {
        const Session* S = SessionOf(widget());
        return S && S->Focus.cursorCell >= 0 ? 1 : 0;
    }
    QList<QAccessibleInterface*> selectedCells() const override {
        if (!selectedCellCount()) return {};
        return {child(SessionOf(widget())->Focus.cursorCell)};
    }
    QString columnDescription(int column) const override {
        return QString("column %1").arg(column + 1);
    }
    QString rowDescription(int row) const override { return QString("row %1").arg(row + 1); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    int columnCount() const override { return 9; }
    int rowCount() const override { return 9; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

  private:
    QAccessible::Id ids[81] = {};
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("BoardWidget") && object && object->isWidgetType())
        return new BoardAccessible(static_cast<QWidget*>(object));
    return nullptr;
}
} // namespace

void InstallBoardAccessibility() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(Factory);
}

QString CellDescription(const Session* S, int cell) {
    QString text = QString("row %1, column %2, ").arg(cell / 9 + 1).arg(cell % 9 + 1);
    const uint8_t byte = S->Board[cell];
    const int digit = byte & CELL_DIGIT;
    if (digit) return text + (byte & CELL_ENTERED ? "" : "given ") + QString::number(digit);
    text += "empty";
    const uint16_t marks = ShownMarks(S, cell);
    if (marks && !S->AnalysisOptions.setupMode) text += ", marks " + MarkList(marks);
    return text;
}

void AnnounceBoardChanges(const Session* S, QWidget* board) {
    const bool first = !Last.valid;
    Last.valid = true;
    for (int cell = 0; cell < 81; cell++) {
        const uint8_t byte = S->Board[cell];
        const uint16_t marks = ShownMarks(S, cell);
        if (!first && byte == Last.byte[cell] && marks == Last.marks[cell]) continue;
        const int was = Last.byte[cell] & CELL_DIGIT, now = byte & CELL_DIGIT;
        Last.said[cell] = now && now != was ? QString("%1 entered").arg(now)
                          : was && !now     ? QString("%1 removed").arg(was)
                          : marks && !now   ? "marks " + MarkList(marks)
                          : !now            ? QString("no marks")
                                            : QString();
        Last.byte[cell] = byte;
        Last.marks[cell] = marks;
        if (first) continue; // the board as found is no change
        TellReaders(board, QAccessible::NameChanged, cell);
        TellReaders(board, QAccessible::DescriptionChanged, cell);
    }
    const int cursor = S->Focus.cursorCell;
    if (cursor != Last.cursor) {
        Last.cursor = cursor;
        if (cursor >= 0 && cursor <= 80 && board->hasFocus()) {
            TellReaders(board, QAccessible::Focus, cursor);
            TellReaders(board, QAccessible::Selection, cursor);
        }
    }
}
