#include "ui/Palette.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

namespace tallowby {

QPalette DarkPalette() {
    const QColor window(0x2d, 0x2f, 0x33), base(0x1f, 0x21, 0x24), text(0xee, 0xee, 0xee);
    const QColor disabled(0x8a, 0x8d, 0x91), highlight(0x3d, 0x8e, 0xc9);
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window.darker(115));
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, disabled);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, QColor(0xff, 0x6b, 0x6b));
    palette.setColor(QPalette::Link, QColor(0x7c, 0xc4, 0xff));
    palette.setColor(QPalette::LinkVisited, QColor(0xc5, 0x9b, 0xff));
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, QColor(0xff, 0xff, 0xff));
    palette.setColor(QPalette::Light, window.lighter(160));
    palette.setColor(QPalette::Midlight, window.lighter(130));
    palette.setColor(QPalette::Mid, window.lighter(110));
    palette.setColor(QPalette::Dark, window.darker(160));
    palette.setColor(QPalette::Shadow, QColor(0x0a, 0x0a, 0x0a));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabled);
    return palette;
}

void ApplyPaletteFromEnvironment() {
    if (qgetenv("TALLOWBY_PALETTE") != "dark") return;
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(DarkPalette());
}

} // namespace tallowby
