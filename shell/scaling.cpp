// Scaling of text with the zoom and placing of dialogs. The desktop's own font is kept from the
// start (before any zoom) as the family of every size and as the title bars' font.
#include "shell/scaling.h"
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QLayout>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleOption>
#include <QToolTip>
#include <QWidget>

namespace {
// The desktop's font as it was before the first zoom.
const QFont& DesktopFont() {
    static const QFont font = QApplication::font();
    return font;
}
} // namespace

namespace {
// The desktop's style with what it draws at a fixed size grown with the text: check boxes,
// radio buttons and drop-down arrows, the gap before a menu item's key, and room for the arrow
// of a button that only opens a menu (drawn in its corner, over the text otherwise).
class ZoomStyle : public QProxyStyle {
  public:
    explicit ZoomStyle(const QString& base) : QProxyStyle(base) {}
    int zoom = 1;

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        const int size = QProxyStyle::pixelMetric(metric, option, widget);
        switch (metric) {
        case PM_IndicatorWidth:
        case PM_IndicatorHeight:
        case PM_ExclusiveIndicatorWidth:
        case PM_ExclusiveIndicatorHeight:
        case PM_MenuButtonIndicator:
            return std::max(size, size * TextPixels(zoom) / TextPixels(1));
        default:
            return size;
        }
    }
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                           const QWidget* widget) const override {
        QSize size = QProxyStyle::sizeFromContents(type, option, contents, widget);
        if (type == CT_MenuItem) {
            const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
            if (item && item->text.contains('\t')) size.rwidth() += 2 * TextPixels(zoom);
        } else if (type == CT_ToolButton) {
            const auto* button = qstyleoption_cast<const QStyleOptionToolButton*>(option);
            if (button && (button->features & QStyleOptionToolButton::HasMenu) &&
                !(button->features & QStyleOptionToolButton::MenuButtonPopup))
                size.rwidth() += 2 * pixelMetric(PM_MenuButtonIndicator, option, widget);
        }
        return size;
    }
};
} // namespace

void ScaleTextForZoom(int zoom) {
    static ZoomStyle* style = nullptr;
    if (!style) {
        style = new ZoomStyle(QApplication::style()->name());
        QApplication::setStyle(style); // the application owns it
    }
    style->zoom = zoom;
    QFont font = DesktopFont();
    font.setPixelSize(TextPixels(zoom));
    QApplication::setFont(font);
    QToolTip::setFont(font);
    // The widgets hear of the new font through posted events; they must have it now, so that
    // sizes computed next are those of the new font.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::ApplicationFontChange);
}

namespace {
QFontMetrics TitleMetrics() {
    QFont font = DesktopFont();
    font.setBold(true);
    return QFontMetrics(font);
}
} // namespace

int TitleWidth(const QString& title) {
    const QFontMetrics metrics = TitleMetrics();
    return metrics.horizontalAdvance(title) + 8 * metrics.height(); // buttons and margins
}

QString ElideTitle(const QString& title, int width) {
    if (TitleWidth(title) <= width) return title;
    const QFontMetrics metrics = TitleMetrics();
    return metrics.elidedText(title, Qt::ElideMiddle, std::max(0, width - 8 * metrics.height()));
}

QRect FitInside(QRect rect, const QWidget* window) {
    QRect area = window->geometry(); // the client area: never over the title bar
    if (const QScreen* screen = window->screen()) area &= screen->availableGeometry();
    rect.moveRight(std::min(rect.right(), area.right()));
    rect.moveBottom(std::min(rect.bottom(), area.bottom()));
    rect.moveLeft(std::max(rect.left(), area.left()));
    rect.moveTop(std::max(rect.top(), area.top()));
    return rect;
}

DialogPlacer::DialogPlacer(QWidget* mainWindow) : QObject(mainWindow), mainWindow(mainWindow) {}

bool DialogPlacer::eventFilter(QObject* object, QEvent* event) {
    if (event->type() != QEvent::Show) return false; // every event of the program passes here
    auto* dialog = qobject_cast<QDialog*>(object);
    if (!dialog || !dialog->isWindow()) return false;
    // At least as wide as its title; a layout that would set its own minimum (or a fixed size)
    // over this one only keeps the default rule, which leaves an explicit minimum standing.
    QSize least = dialog->minimumSizeHint();
    if (QLayout* layout = dialog->layout()) {
        layout->setSizeConstraint(QLayout::SetDefaultConstraint);
        least = least.expandedTo(layout->totalMinimumSize());
    }
    least.setWidth(std::max(least.width(), TitleWidth(dialog->windowTitle())));
    dialog->setMinimumSize(least);
    dialog->resize(dialog->size().expandedTo(least));
    if (mainWindow->isVisible()) {
        QRect frame(QPoint(), dialog->frameGeometry().size().expandedTo(dialog->size()));
        frame.moveCenter(mainWindow->frameGeometry().center());
        dialog->move(FitInside(frame, mainWindow).topLeft());
    }
    return false;
}
