// How the windows meet assistive technology (screen readers reach them through
// AT-SPI): the program's links are exposed as links that can be pressed, and
// decorative pictures and lines are hidden.
#pragma once

class QWidget;

namespace tallowby {

// Installs the accessible interfaces of the program's own widgets. Safe to call more
// than once; must run before the first window is created.
void InstallAccessibility();

// Marks a picture, a line or an outline as decoration: it carries no meaning, so
// assistive technology is told it is not shown and reads nothing for it.
void MarkDecorative(QWidget* widget);
bool IsDecorative(const QWidget* widget);

} // namespace tallowby
