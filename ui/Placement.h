// Where windows open and how big: centred over their owner (the screen for the main
// window), always wholly on the screen, and the main window's size and place as the
// user left them (the program's settings, $XDG_CONFIG_HOME/tallowby/tallowby.conf).
#pragma once

#include <QSettings>
#include <QSize>

class QWidget;

namespace tallowby {

// The user's settings of the program.
QSettings UserSettings();

// Moves window so that it is centred over owner, or over the available area of its
// screen when owner is null, then as little as needed to lie wholly on that screen.
void CentreOver(QWidget* window, const QWidget* owner);

// The window no larger than its screen's available area (its minimum size too), so
// that every part of it can be reached at any scale.
void FitToScreen(QWidget* window);

// The size and place saved under `key`, else `preferred` centred on the screen;
// either way wholly on the screen.
void RestorePlacement(QWidget* window, const QString& key, QSize preferred);
void SavePlacement(const QWidget* window, const QString& key);

} // namespace tallowby
