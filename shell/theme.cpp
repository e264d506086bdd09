// Theme choice in the window. The choice is the session's (kept in the view settings); the
// desktop is asked afresh at each paint, so a change of the desktop's scheme shows at once.
#include "shell/theme.h"
#include "control/session.h"
#include "display/paint.h"
#include "display/palette.h"
#include "files/settings.h"
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QPalette>
#include <QStyle>
#include <QStyleHints>
#include <QWidget>

namespace {
// The desktop's own palette, taken before the program sets one of its own.
const QPalette& DesktopPalette() {
    static const QPalette desktop = QGuiApplication::palette();
    return desktop;
}

// The window's widgets, menus and dialogs in dark colours, for the Dark theme on a light
// desktop: the board's paper for windows, its given digits for text.
QPalette DarkProgramPalette() {
    const BoardPalette& board = PaletteFor(THEME_DARK, true);
    const QColor window = ColourOf(board.background), text = ColourOf(board.given);
    const QColor button = window.lighter(150), disabled = text.darker(170);
    QPalette p(button, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Base, window.darker(120));
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, button);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, disabled);
    p.setColor(QPalette::Highlight, QColor(0x3d, 0x7a, 0xd6));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x6c, 0xa8, 0xf0));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    return p;
}
} // namespace

bool DesktopIsDark() {
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    const Qt::ColorScheme scheme = QGuiApplication::styleHints()->colorScheme();
    if (scheme != Qt::ColorScheme::Unknown) return scheme == Qt::ColorScheme::Dark;
#endif
    const QColor window = DesktopPalette().color(QPalette::Window);
    return IsDarkColour(uint32_t(window.blue()) << 16 | uint32_t(window.green()) << 8 |
                        uint32_t(window.red()));
}

void ApplyProgramTheme(const Session* S) {
    const bool desktopDark = DesktopIsDark();
    const bool dark = S->Theme == THEME_DARK || (S->Theme == THEME_SYSTEM && desktopDark);
    const QPalette wanted = dark == desktopDark ? DesktopPalette()
                            : dark              ? DarkProgramPalette()
                                                : QApplication::style()->standardPalette();
    // Setting the palette tells every widget, the board too, which asks for the theme again:
    // only a palette that differs is set.
    if (!(QApplication::palette() == wanted)) QApplication::setPalette(wanted);
}

const BoardPalette& ShownPalette(const Session* S) {
    return PaletteFor(S->Theme, S->Theme == THEME_SYSTEM && DesktopIsDark());
}

void ApplyBoardTheme(const BoardPalette& palette, QWidget* area) {
    QPalette colours = area->palette();
    colours.setColor(QPalette::Window, ColourOf(palette.background));
    colours.setColor(QPalette::WindowText, ColourOf(palette.given));
    colours.setColor(QPalette::Base, ColourOf(palette.background)); // the step line
    colours.setColor(QPalette::Text, ColourOf(palette.given));
    area->setPalette(colours);
}

void FillThemeMenu(Session* S, QMenu* menu, void (*changed)(void* context), void* context) {
    auto* group = new QActionGroup(menu);
    const struct {
        const char* name;
        int theme;
    } THEMES[] = {{"System", THEME_SYSTEM}, {"Light", THEME_LIGHT}, {"Dark", THEME_DARK}};
    for (const auto& t : THEMES) {
        QAction* action = menu->addAction(t.name);
        action->setCheckable(true);
        group->addAction(action);
        const int theme = t.theme;
        QObject::connect(action, &QAction::triggered, menu, [S, theme, changed, context] {
            S->Theme = theme;
            changed(context);
        });
    }
    QObject::connect(menu, &QMenu::aboutToShow, menu, [S, menu] {
        const QList<QAction*> actions = menu->actions();
        for (int i = 0; i < actions.size(); i++) actions[i]->setChecked(i == S->Theme);
    });
}
