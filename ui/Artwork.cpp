#include "ui/Artwork.h"

#include <QFontDatabase>
#include <QIconEngine>
#include <QLabel>
#include <QPainter>
#include <QSvgRenderer>

// Q_INIT_RESOURCE declares a function of its own; it must run at global scope.
static void InitBundledResources() { Q_INIT_RESOURCE(tallowby); }

namespace tallowby {

namespace {

QString ArtPath(const QString& name) { return QStringLiteral(":/art/%1.svg").arg(name); }

// An icon drawn from its vector art at whatever size and scale it is asked for.
class SvgIconEngine : public QIconEngine {
public:
    explicit SvgIconEngine(QString name) : name_(std::move(name)) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        QSvgRenderer(ArtPath(name_)).render(painter, rect);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return pixmap;
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        QPixmap drawn = pixmap(size * scale, mode, state);
        drawn.setDevicePixelRatio(scale);
        return drawn;
    }
    QIconEngine* clone() const override { return new SvgIconEngine(name_); }

private:
    QString name_;
};

} // namespace

void InitUiResources() {
    static const bool done = [] {
        InitBundledResources();
        return true;
    }();
    (void)done;
}

QPixmap Picture(const QString& name, QSize size, qreal ratio) {
    InitUiResources();
    QSvgRenderer renderer(ArtPath(name));
    const QSizeF natural = renderer.defaultSize();
    if (size.width() <= 0 && size.height() > 0 && natural.height() > 0)
        size.setWidth(qRound(size.height() * natural.width() / natural.height()));
    if (size.height() <= 0 && size.width() > 0 && natural.width() > 0)
        size.setHeight(qRound(size.width() * natural.height() / natural.width()));
    if (size.isEmpty()) size = natural.toSize();
    QPixmap pixmap((QSizeF(size) * ratio).toSize());
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

void ShowPicture(QLabel* label, const QString& name) {
    // A label without a minimum width is a band as wide as its place: the picture is
    // stretched across it (a strip of colour), and asks for no width of its own.
    const bool band = label->minimumWidth() == 0;
    label->setScaledContents(band);
    if (band) label->setSizePolicy(QSizePolicy::Ignored, label->sizePolicy().verticalPolicy());
    label->setPixmap(Picture(name, QSize(0, label->minimumHeight()), label->devicePixelRatioF()));
}

QIcon PictureIcon(const QString& name) {
    InitUiResources();
    return QIcon(new SvgIconEngine(name));
}

QIcon ApplicationIcon() {
    InitUiResources();
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/art/tallowby-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QIcon ConversionIcon() { return PictureIcon(QStringLiteral("worksheet")); }

QFont UiFont(const QString& family, double pointSize, bool bold) {
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    // Where the face is missing, fontconfig picks the nearest sans-serif face. Tahoma
    // is a narrow face and the window's captions are laid out for it, so its stand-in
    // is taken semi-condensed (a condensed cut where one is installed).
    font.setStyleHint(QFont::SansSerif);
    if (family == QLatin1String("Tahoma") && !QFontDatabase::hasFamily(family)) {
        font.setStretch(QFont::SemiCondensed);
    }
    return font;
}

} // namespace tallowby
