// A label that acts as a link: the web address in the main window's footer and the
// conversion window's "open the exported file". A click of the left mouse button, or
// Enter or Space while it has the keyboard focus, reports clicked(). Tab reaches it,
// and it draws a focus frame when it has the focus. Its text is always plain.
#pragma once

#include <QLabel>

namespace tallowby {

class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(QWidget* parent = nullptr);

    // What a click does; also the "press" action of assistive technology.
    void activate() { emit clicked(); }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tallowby
