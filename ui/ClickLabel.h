// A label that reports a click of the left mouse button: the web link in the main
// window's footer and the conversion window's "open the worksheet" link.
#pragma once

#include <QLabel>

namespace tallowby {

class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(QWidget* parent = nullptr) : QLabel(parent) {}

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace tallowby
