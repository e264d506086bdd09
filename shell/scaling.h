// Text and controls that grow with the board: every window's font follows the zoom, and popups
// and dialogs open over the main window, inside the screen, wide enough for their titles.
#pragma once
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>

class QWidget;

// Pixel height of text at a zoom: 11 at 1, 25 at 3, 46 at 6.
constexpr int TextPixels(int zoom) {
    return 4 + 7 * zoom;
}
// Sets the font of every window (menus, tooltips and dialogs included) for a zoom.
void ScaleTextForZoom(int zoom);

// The width a window needs for its title to show whole in the title bar (the window
// manager's font is taken to be the desktop's own, in bold, with room for three buttons).
int TitleWidth(const QString& title);
// The title cut in its middle ("{long…name.txt} #3") so that TitleWidth of it is at most width.
QString ElideTitle(const QString& title, int width);

// The rectangle moved to lie over the window's client area and inside its screen's available area,
// as far as it fits; the left and top edges win when it is too big.
QRect FitInside(QRect rect, const QWidget* window);

// Installed on the application: each dialog and message box, when it is shown, is made wide
// enough for its title and centred over the window it belongs to.
class DialogPlacer : public QObject {
  public:
    explicit DialogPlacer(QWidget* mainWindow);
    bool eventFilter(QObject* object, QEvent* event) override;

  private:
    QWidget* mainWindow;
};
