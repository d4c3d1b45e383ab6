#include "ui/Placement.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace tallowby {

void CentreOver(QWidget* window, const QWidget* owner) {
    const QScreen* screen = owner ? owner->screen() : window->screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QPoint centre = owner ? owner->frameGeometry().center() : area.center();
    const QSize size = window->frameGeometry().size().expandedTo(window->size());
    QPoint topLeft = centre - QPoint(size.width() / 2, size.height() / 2);
    topLeft.setX(std::clamp(topLeft.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width())));
    topLeft.setY(std::clamp(topLeft.y(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height())));
    window->move(topLeft);
}

} // namespace tallowby
