// The real main window, headless: clicks on the board, the command bar and its menus, the
// dialogs answering through their widgets, and the create search and rating beside the window.
#include "analysis/player.h"
#include "analysis/rating.h"
#include "analysis/state.h"
#include "control/commands.h"
#include "control/session.h"
#include "control/stepview.h"
#include "control/taps.h"
#include "display/geometry.h"
#include "files/settings.h"
#include "files/statistics.h"
#include "model/board.h"
#include "model/history.h"
#include "model/options.h"
#include "model/verdicts.h"
#include "shell/boardwidget.h"
#include "shell/digitbar.h"
#include "shell/mainwindow.h"
#include "shell/theme.h"
#include "tests/support.h"
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <functional>

namespace {
// Answers the next modal dialog: calls act on it once it is up (act closes it). Notices
// ("message") are the fixture's to close, so a verdict that pops up first never reaches act.
void WhenModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() != "message") {
            timer->deleteLater();
            timer->stop();
            act(modal);
        }
    });
    timer->start(10);
}
// Clicks the push button of a dialog that carries text.
void ClickButton(QWidget* dialog, const char* text) {
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text() == text) return b->click();
}

class Shell : public FileTest {
  protected:
    std::unique_ptr<MainWindow> window;
    std::vector<QString> messages;  // message boxes met, closed at once
    std::vector<QString> stepLines; // the line under the board (whole) as each box showed
    QTimer watcher;

    void SetUp() override {
        FileTest::SetUp();
        SetSettingsPath(Path("quadrivo.ini").c_str());
        SetStatisticsPath(Path("statistics.txt").c_str());
        window = std::make_unique<MainWindow>(S);
        window->show();
        window->SetZoom(2);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        // Verdicts and ratings are modal boxes: note and close each one.
        QObject::connect(&watcher, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->objectName() == "message") {
                messages.push_back(modal->findChild<QLabel*>("text")->text());
                stepLines.push_back(window->findChild<QWidget*>("step")->toolTip());
                qobject_cast<QDialog*>(modal)->accept();
            }
        });
        watcher.start(20);
    }
    void TearDown() override {
        watcher.stop();
        window.reset();
        FileTest::TearDown();
    }
    // A click on digit position d (0..8) of a cell, the board laid out first.
    void ClickDigit(int cell, int d, Qt::MouseButton button = Qt::LeftButton) {
        BoardWidget* board = window->Board();
        board->repaint();
        QApplication::processEvents();
        const QRect spot(DigitX(cell, d) + 3, DigitY(cell, d) + 3, 1, 1);
        QTest::mouseClick(board, button, {}, board->ToWidget(spot).topLeft());
    }
};

TEST_F(Shell, ClicksAndTheDigitPopupEnterDigits) {
    LoadGivens("4");
    ClickDigit(1, 6);
    EXPECT_EQ(S->Board[1] & CELL_DIGIT, 7);
    EXPECT_TRUE(window->CommandAction(CMD_UNDO)->isEnabled());
    EXPECT_FALSE(window->CommandAction(CMD_REDO)->isEnabled());

    // A secondary click opens the digit popup; its pick enters the digit.
    ClickDigit(10, 4, Qt::RightButton);
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(popup->actions().size(), 9);
    popup->actions()[2]->trigger();
    popup->close();
    EXPECT_EQ(S->Board[10] & CELL_DIGIT, 3);
}

// The copy-paste box and "Goto Position" answer through their widgets.
TEST_F(Shell, DialogsAnswerThroughTheirWidgets) {
    QString text;
    LoadGivens(BUILTIN_PUZZLE);
    WhenModal([&text](QWidget* dialog) {
        dialog->findChild<QRadioButton*>("257")->click(); // Linear
        text = dialog->findChild<QPlainTextEdit*>("text")->toPlainText();
        ClickButton(dialog, "Output");
        ClickButton(dialog, "Close");
    });
    RunCommand(S, CMD_BLOCK_ENTRY);
    EXPECT_EQ(text, QString(BUILTIN_PUZZLE));
    EXPECT_EQ(QApplication::clipboard()->text(), QString(BUILTIN_PUZZLE));
    EXPECT_EQ(S->AnalysisOptions.blockFormat, LAYOUT_LINEAR | EMPTY_DOTS);
    TapDigit(S, 0, 1); // a move, to be dropped with the new puzzle
    ASSERT_EQ(S->MoveEnd, 1);
    WhenModal([](QWidget* dialog) {
        dialog->findChild<QPlainTextEdit*>("text")->setPlainText(SAMPLE_PUZZLE);
        ClickButton(dialog, "Input");
    });
    RunCommand(S, CMD_BLOCK_ENTRY);
    EXPECT_EQ(BoardDigits(), SAMPLE_PUZZLE);
    EXPECT_EQ(S->MoveEnd, 0);

    std::string lines;
    for (int i = 0; i < 5; i++) lines += std::string(SAMPLE_PUZZLE) + "\r\n";
    window->OpenNamedFile(QByteArray::fromStdString(Write("set.txt", lines)));
    RunCommand(S, CMD_END);
    WhenModal([&text](QWidget* dialog) {
        auto* number = dialog->findChild<QLineEdit*>("number");
        text = number->text();
        QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        EXPECT_EQ(dialog->findChild<QLabel*>("range")->text(), "Puzzle (1 to 5):");
        for (const char* refused : {"6", "abc", "0"}) {
            number->setText(refused);
            EXPECT_FALSE(ok->isEnabled()) << refused;
        }
        number->setText("3");
        EXPECT_TRUE(ok->isEnabled());
        qobject_cast<QDialog*>(dialog)->accept();
    });
    RunCommand(S, CMD_END); // on the last puzzle: "Goto Position"
    EXPECT_EQ(text, "5");
    EXPECT_EQ(window->windowTitle(), "{set.txt} #3");
}

// A paste of megabytes into "Copy Paste" is cut to the box's limit before it goes in, typing
// stops there too, and the dialog says so; the puzzle at the start of the text is taken in.
TEST_F(Shell, CopyPasteCutsAHugePaste) {
    QApplication::clipboard()->setText(QString(SAMPLE_PUZZLE) + "\n" + QString(2 << 20, ' '));
    qsizetype pasted = -1, typed = -1;
    QString note;
    WhenModal([&](QWidget* dialog) {
        auto* edit = dialog->findChild<QPlainTextEdit*>("text");
        edit->clear();
        edit->paste();
        pasted = edit->toPlainText().size();
        edit->moveCursor(QTextCursor::End);
        QTest::keyClicks(edit, "123");
        typed = edit->toPlainText().size();
        note = dialog->findChild<QLabel*>("limit")->text();
        ClickButton(dialog, "Input");
    });
    RunCommand(S, CMD_BLOCK_ENTRY);
    EXPECT_EQ(pasted, 16 * 1024);
    EXPECT_EQ(typed, 16 * 1024);
    EXPECT_TRUE(note.startsWith("Cut")) << note.toStdString();
    EXPECT_EQ(BoardDigits(), SAMPLE_PUZZLE);
}

// A long file name is cut in the middle of the title: the window stays as narrow as its board.
TEST_F(Shell, ALongFileNameDoesNotWidenTheWindow) {
    const std::string name = std::string(242, 'n') + ".txt";
    const std::string path = Write(name.c_str(), std::string(BUILTIN_PUZZLE) + "\r\n");
    window->OpenNamedFile(QByteArray::fromStdString(path));
    const QString title = window->windowTitle();
    EXPECT_TRUE(title.startsWith("{nnn") && title.endsWith("n.txt}") && title.contains(u'\u2026'))
        << title.toStdString();
    const int least = std::max(window->minimumWidth(), window->minimumSizeHint().width());
    EXPECT_LE(least, window->Board()->SizeForFactor(2).width());
}

// F10 and Alt+M open the Menu from anywhere in the window; once it closes, keys go to the board.
// Each key on a window of its own: the headless platform leaves a window that had a popup
// unable to take a second shortcut at once.
TEST_F(Shell, KeysOpenTheMenuAndTheBoardGetsTheKeysBack) {
    for (auto key : {QKeyCombination(Qt::Key_F10), QKeyCombination(Qt::AltModifier, Qt::Key_M)}) {
        window = std::make_unique<MainWindow>(S);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QWidget* shown = nullptr;
        QTimer poll; // closes the menu once it is up
        QObject::connect(&poll, &QTimer::timeout, [&shown, &poll] {
            if ((shown = QApplication::activePopupWidget())) {
                poll.stop();
                QTest::keyClick(shown, Qt::Key_Escape);
            }
        });
        poll.start(10);
        window->CommandBar()->setFocus();
        QTest::keyClick(window.get(), key.key(), key.keyboardModifiers());
        EXPECT_TRUE(QTest::qWaitFor([&shown] { return shown != nullptr; }, 5000));
        EXPECT_EQ(shown, window->MainMenu()) << key.key();
        // The board is the window's focus widget again (whether the window is active or not).
        EXPECT_TRUE(
            QTest::qWaitFor([this] { return window->focusWidget() == window->Board(); }, 5000));
    }
}

// "Puzzle Solved" shows over the finished board: the step of the position before is gone from
// the line under it.
TEST_F(Shell, TheStepLineIsCurrentBehindPuzzleSolved) {
    std::string grid = EMPTY_BOARD_FIRST;
    const int digit = grid[80] - '0';
    grid[80] = '.';
    LoadGivens(grid.c_str());
    S->AnalysisOptions.techniques |= TECH_ANALYSIS;
    S->AnalysisOptions.showCandidates = 1; // the analysis reads the candidates
    RefreshStep(S);
    window->BoardChanged();
    QTest::qWait(50);
    ASSERT_FALSE(window->findChild<QWidget*>("step")->toolTip().isEmpty());
    TapDigit(S, 80, digit - 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Puzzle Solved");
    EXPECT_EQ(stepLines[0], "");
}

// A step longer than the line's three lines is there whole: the line scrolls to its end.
TEST_F(Shell, ALongStepScrollsInsteadOfBeingCut) {
    std::string text;
    for (int i = 0; i < 40; i++) text += "r" + std::to_string(i % 9 + 1) + "c5 = 7, ";
    text += "and a contradiction";
    SetNotice(S, text.c_str());
    window->BoardChanged();
    QTest::qWait(50);
    auto* line = window->findChild<QPlainTextEdit*>("step");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->toPlainText().toStdString(), text);
    EXPECT_GT(line->verticalScrollBar()->maximum(), 0); // more than it shows at once
    line->verticalScrollBar()->setValue(line->verticalScrollBar()->maximum());
    // Scrolled down, the last line shown is the text's last.
    const QPoint lastLine = line->viewport()->rect().bottomLeft() - QPoint(0, 6);
    EXPECT_GT(line->cursorForPosition(lastLine).position(), int(text.size()) - 40);
}

// A theme other than the desktop's colours the whole window, not the board alone; "System"
// gives the desktop's colours back.
TEST_F(Shell, TheDarkThemeColoursTheCommandBarToo) {
    const bool desktopDark = DesktopIsDark();
    const QColor desktop = window->CommandBar()->palette().color(QPalette::Window);
    S->Theme = desktopDark ? THEME_LIGHT : THEME_DARK;
    window->ApplyTheme();
    QApplication::processEvents();
    const QColor themed = window->CommandBar()->palette().color(QPalette::Window);
    EXPECT_NE(themed.lightness() < 128, desktopDark) << themed.name().toStdString();
    S->Theme = THEME_SYSTEM;
    window->ApplyTheme();
    QApplication::processEvents();
    EXPECT_EQ(window->CommandBar()->palette().color(QPalette::Window), desktop);
}

// Check boxes and radio buttons grow with the text at each zoom.
TEST_F(Shell, IndicatorsGrowWithTheZoom) {
    for (int zoom : {1, 3}) {
        window->SetZoom(zoom);
        for (QAbstractButton* button :
             std::initializer_list<QAbstractButton*>{new QCheckBox("Grid analysis", window.get()),
                                                     new QRadioButton("Dots", window.get())}) {
            QStyleOptionButton option;
            option.initFrom(button);
            const bool check = qobject_cast<QCheckBox*>(button) != nullptr;
            const QRect box = button->style()->subElementRect(
                check ? QStyle::SE_CheckBoxIndicator : QStyle::SE_RadioButtonIndicator, &option,
                button);
            EXPECT_GE(box.height(), button->fontMetrics().ascent()) << "zoom " << zoom;
            delete button;
        }
    }
}

// "Create" at a level searches beside the window: Cancel stops it and leaves the game as it was; a
// search that ends brings a puzzle of its level, rated, and the level item is checked.
TEST_F(Shell, CreateAtALevelSearchesBesideTheWindow) {
    const std::string before = BoardDigits();
    ASSERT_EQ(window->StartCreate(LEVEL_VERY_DIFFICULT), 1);
    ASSERT_NE(window->CreateProgress(), nullptr);
    ClickButton(window->CreateProgress(), "Cancel");
    EXPECT_EQ(window->CreateProgress(), nullptr);
    QTest::qWait(100);
    EXPECT_EQ(BoardDigits(), before);
    EXPECT_TRUE(messages.empty());

    window->CommandAction(CMD_LEVEL_ANY + LEVEL_FIENDISH)->trigger();
    EXPECT_EQ(BoardDigits(), before); // not yet: the search runs
    for (int i = 0; i < 1000 && messages.empty(); i++) QTest::qWait(20);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith("Rating ") &&
                messages[0].section('\n', 0, 0).endsWith(" (Fiendish)") &&
                messages[0].section('\n', 1).startsWith("Player's rating: "))
        << messages[0].toStdString();
    ExpectFreshPuzzle();
    EXPECT_EQ(window->CreateProgress(), nullptr);
    EXPECT_EQ(MenuCheck(S, CMD_LEVEL_ANY + LEVEL_FIENDISH), 1);

    // "Rate Puzzle" rates beside the window too: the same result, once the window is free.
    window->CommandAction(CMD_RATE)->trigger();
    EXPECT_EQ(messages.size(), 1u);
    for (int i = 0; i < 500 && messages.size() < 2; i++) QTest::qWait(10);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], messages[0]);
}

// "Practice" lists the techniques beyond the singles; the one chosen is searched for beside the
// window, its puzzle becomes the game and the rating names it. The dialog proposes it next time.
TEST_F(Shell, PracticeSearchesForTheTechniqueChosen) {
    const std::string before = BoardDigits();
    QStringList names;
    WhenModal([&names](QWidget* dialog) {
        auto* list = dialog->findChild<QListWidget*>("techniques");
        for (int i = 0; i < list->count(); i++) {
            QListWidgetItem* item = list->item(i);
            if (!(item->flags() & Qt::ItemIsSelectable)) continue; // a level's heading
            names << item->text().trimmed();
            if (item->text().trimmed() == "Naked pair") list->setCurrentItem(item);
        }
        qobject_cast<QDialog*>(dialog)->accept();
    });
    window->CommandAction(CMD_PRACTICE)->trigger();
    EXPECT_TRUE(names.contains("XY-wing") && names.contains("Pointing"))
        << names.join(",").toStdString();
    for (const char* single : {"Full house", "Hidden single", "Naked single"})
        EXPECT_FALSE(names.contains(single)) << single;
    EXPECT_EQ(S->Practice, TQ_NAKED_PAIR);
    for (int i = 0; i < 1000 && messages.empty(); i++) QTest::qWait(20);
    ASSERT_EQ(messages.size(), 1u); // the puzzle found, rated (the rating's words: control)
    EXPECT_NE(BoardDigits(), before);
    EXPECT_EQ(window->CreateProgress(), nullptr);

    QString proposed;
    WhenModal([&proposed](QWidget* dialog) {
        proposed = dialog->findChild<QListWidget*>("techniques")->currentItem()->text().trimmed();
        qobject_cast<QDialog*>(dialog)->reject();
    });
    const std::string practised = BoardDigits();
    window->CommandAction(CMD_PRACTICE)->trigger();
    EXPECT_EQ(proposed, "Naked pair");
    EXPECT_EQ(window->CreateProgress(), nullptr);
    EXPECT_EQ(BoardDigits(), practised);
}

// The board is a table of 81 cells for screen readers: each cell says its row, column, value
// and marks; the keyboard cursor is the focused, selected cell.
TEST_F(Shell, BoardIsAnAccessibleTable) {
    LoadGivens(SAMPLE_PUZZLE);
    int open = 0, given = 0;
    while (S->Board[open]) open++;
    while (!S->Board[given]) given++;
    S->MarkGrid[open] = DigitBit(2) | DigitBit(4) | DigitBit(7);
    QAccessibleInterface* board = QAccessible::queryAccessibleInterface(window->Board());
    ASSERT_NE(board, nullptr);
    EXPECT_EQ(board->role(), QAccessible::Table);
    QAccessibleTableInterface* table = board->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 9);
    EXPECT_EQ(board->childCount(), 81);
    QAccessibleInterface* cell = table->cellAt(open / 9, open % 9);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Name),
              QString("row %1, column %2, empty, marks 2 4 7").arg(open / 9 + 1).arg(open % 9 + 1));
    EXPECT_EQ(cell->tableCellInterface()->rowIndex(), open / 9);
    EXPECT_EQ(cell->tableCellInterface()->columnIndex(), open % 9);
    EXPECT_EQ(board->indexOfChild(cell), open);
    QAccessibleInterface* fixed = table->cellAt(given / 9, given % 9);
    EXPECT_TRUE(fixed->text(QAccessible::Name).endsWith(QString("given %1").arg(S->Board[given])));
    EXPECT_TRUE(fixed->state().readOnly);
    EXPECT_EQ(board->childAt(fixed->rect().center().x(), fixed->rect().center().y()), fixed);

    // The cursor on the open cell; a digit typed there is what the cell then says.
    window->Board()->setFocus();
    S->Focus.cursorCell = open;
    window->Board()->repaint();
    EXPECT_EQ(board->focusChild(), cell);
    EXPECT_TRUE(cell->tableCellInterface()->isSelected());
    ASSERT_EQ(CheckPosition(S), 100);
    const int digit = S->SolutionGrid[open] & CELL_DIGIT;
    QTest::keyClick(window->Board(), char('0' + digit));
    window->Board()->repaint();
    EXPECT_EQ(cell->text(QAccessible::Name),
              QString("row %1, column %2, %3").arg(open / 9 + 1).arg(open % 9 + 1).arg(digit));
    EXPECT_EQ(cell->text(QAccessible::Description), QString("%1 entered").arg(digit));
}

// Digit-first entry through the window: Shift+digit chooses it, and a click anywhere in an empty
// cell writes it; its button shows one fewer left.
TEST_F(Shell, DigitButtonsChooseTheDigitClicksWrite) {
    LoadGivens(SAMPLE_PUZZLE);
    ASSERT_EQ(CheckPosition(S), 100);
    const int open = FirstOpenCell();
    const int digit = S->SolutionGrid[open] & CELL_DIGIT;
    QTest::keyClick(window->Board(), Qt::Key(Qt::Key_0 + digit), Qt::ShiftModifier);
    EXPECT_EQ(S->ChosenDigit, digit);
    window->Board()->repaint();
    QToolButton* button = window->Digits()->Button(digit);
    EXPECT_TRUE(button->isChecked());
    const QString before = button->text();
    ClickDigit(open, digit == 1 ? 8 : 0); // not on the digit's own position
    EXPECT_EQ(S->Board[open] & CELL_DIGIT, digit);
    window->Board()->repaint();
    EXPECT_NE(button->text(), before);
    button->click();
    EXPECT_EQ(S->ChosenDigit, 0);
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The headless platform notes every window feature it lacks; those notes are noise here.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && !text.contains("does not support") &&
            !text.contains("XDG_RUNTIME"))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
