// Theme choice in the window. The choice is the session's (kept in the view settings); the
// desktop is asked afresh at each paint, so a change of the desktop's scheme shows at once.
#include "shell/theme.h"
#include "control/session.h"
#include "display/paint.h"
#include "display/palette.h"
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QPalette>
#include <QStyleHints>
#include <QWidget>

bool DesktopIsDark() {
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    const Qt::ColorScheme scheme = QGuiApplication::styleHints()->colorScheme();
    if (scheme != Qt::ColorScheme::Unknown) return scheme == Qt::ColorScheme::Dark;
#endif
    const QColor window = QGuiApplication::palette().color(QPalette::Window);
    return IsDarkColour(uint32_t(window.blue()) << 16 | uint32_t(window.green()) << 8 |
                        uint32_t(window.red()));
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
