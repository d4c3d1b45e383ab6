// The pictures bundled with the program (Qt resources), and the fonts the windows
// ask for: the named faces where the system has them, otherwise its fallback.
#pragma once

#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace tallowby {

// Registers the bundled resources; safe to call more than once.
void InitUiResources();

QPixmap Picture(const QString& name);  // ":/art/<name>.png"
QIcon ApplicationIcon();
QIcon ConversionIcon();

// A face at a point size with an optional weight, e.g. UiFont("Tahoma", 8.25).
QFont UiFont(const QString& family, double pointSize, bool bold = false);

} // namespace tallowby
