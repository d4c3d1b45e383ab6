// Where windows open: centred over their owner (the screen for the main window), and
// always wholly on the screen.
#pragma once

class QWidget;

namespace tallowby {

// Moves window so that it is centred over owner, or over the available area of its
// screen when owner is null, then as little as needed to lie wholly on that screen.
void CentreOver(QWidget* window, const QWidget* owner);

} // namespace tallowby
