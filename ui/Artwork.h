// The pictures bundled with the program (Qt resources, vector art drawn sharp at the
// screen's scale), and the fonts the windows ask for: the named faces where the
// system has them, otherwise its fallback.
#pragma once

#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

class QLabel;

namespace tallowby {

// Registers the bundled resources; safe to call more than once.
void InitUiResources();

// ":/art/<name>.svg" drawn at `size` (device-independent pixels) for a device pixel
// ratio of `ratio`; a size with a zero side keeps the picture's proportions.
QPixmap Picture(const QString& name, QSize size, qreal ratio);
// The picture for a label, at the label's size and its screen's scale.
void ShowPicture(QLabel* label, const QString& name);
// The picture as an icon, drawn for every scale it is asked at.
QIcon PictureIcon(const QString& name);
QIcon ApplicationIcon();
QIcon ConversionIcon();

// A face at a point size with an optional weight, e.g. UiFont("Tahoma", 8.25).
QFont UiFont(const QString& family, double pointSize, bool bold = false);

} // namespace tallowby
