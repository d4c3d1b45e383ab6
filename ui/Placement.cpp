#include "ui/Placement.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace tallowby {

QSettings UserSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("tallowby"),
                     QStringLiteral("tallowby"));
}

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

void FitToScreen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (!screen) return;
    // The frame is not known before the window is shown: room for a title bar.
    const QSize frame = window->isVisible() ? window->frameGeometry().size() - window->size() : QSize(8, 32);
    const QSize room = screen->availableGeometry().size() - frame;
    window->setMinimumSize(window->minimumSize().boundedTo(room));
    window->resize(window->size().boundedTo(room));
}

void RestorePlacement(QWidget* window, const QString& key, QSize preferred) {
    const QByteArray saved = UserSettings().value(key).toByteArray();
    // restoreGeometry puts a window saved on a larger screen onto this one.
    if (!saved.isEmpty() && window->restoreGeometry(saved)) return FitToScreen(window);
    window->resize(preferred.expandedTo(window->minimumSize()));
    FitToScreen(window);
    CentreOver(window, nullptr);
}

void SavePlacement(const QWidget* window, const QString& key) { UserSettings().setValue(key, window->saveGeometry()); }

} // namespace tallowby
