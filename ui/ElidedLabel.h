// A one-line label that shows as much of its text as fits and "…" for the rest, with
// the whole text as its tooltip while it is cut. text() is always the whole text, for
// assistive technology and for copying.
#pragma once

#include <QLabel>

namespace tallowby {

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateToolTip();
};

} // namespace tallowby
