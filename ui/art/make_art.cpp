// Draws the program's pictures with QPainter and writes them as SVG files, which the
// windows draw sharp at any scale, and the program's icon also as PNG files in the
// sizes of the desktop's icon theme:
//   tallowby-make-art OUTDIR
// All artwork is drawn here from shapes, so it can be changed and redrawn. No picture
// holds text: the windows put their words in labels, in the desktop's colours.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <QSvgGenerator>

#include <cstdio>
#include <functional>

namespace {

const QColor kNavy(0x1f, 0x3f, 0x6e);
const QColor kNavyDark(0x14, 0x2a, 0x4c);
const QColor kTeal(0x1d, 0x8a, 0x99);
const QColor kAmber(0xf2, 0xa9, 0x00);
const QColor kGreen(0x2e, 0x7d, 0x32);
const QColor kGreenLight(0xe3, 0xf1, 0xe4);
const QColor kPaper(0xfb, 0xfb, 0xf7);
const QColor kInk(0x33, 0x3a, 0x44);

QString g_outDir;
int g_failures = 0;

void Save(const QImage& image, const QString& name) {
    const QString path = g_outDir + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "make_art: cannot write %s\n", qPrintable(path));
        ++g_failures;
    }
}

// Draws a picture of `width` x `height` units into OUTDIR/<name>.svg.
void SaveSvg(const QString& name, int width, int height, const std::function<void(QPainter&)>& draw) {
    const QString path = g_outDir + QLatin1Char('/') + name + QStringLiteral(".svg");
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setTitle(name);
    QPainter p;
    if (!p.begin(&svg)) {
        std::fprintf(stderr, "make_art: cannot write %s\n", qPrintable(path));
        ++g_failures;
        return;
    }
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    p.end();
}

QImage Canvas(int width, int height, const QColor& fill = Qt::transparent) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

// A head and shoulders inside the rectangle.
QPainterPath PersonPath(const QRectF& r) {
    const double w = r.width(), h = r.height();
    QPainterPath person;
    person.addEllipse(QRectF(r.left() + w * 0.30, r.top() + h * 0.05, w * 0.40, h * 0.42));
    QPainterPath body;
    body.moveTo(r.left() + w * 0.08, r.bottom());
    body.cubicTo(r.left() + w * 0.08, r.top() + h * 0.50, r.right() - w * 0.08,
                 r.top() + h * 0.50, r.right() - w * 0.08, r.bottom());
    body.closeSubpath();
    return person.united(body);
}

void Person(QPainter& p, const QRectF& r, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(PersonPath(r));
}

// A worksheet: a sheet with a bold header row and a grid.
void Worksheet(QPainter& p, const QRectF& r, int cols, int rows) {
    p.setPen(QPen(kGreen, r.width() / 40.0 + 0.5));
    p.setBrush(Qt::white);
    p.drawRect(r);
    const double headerH = r.height() / (rows + 1);
    p.fillRect(QRectF(r.left(), r.top(), r.width(), headerH), kGreen);
    p.setPen(QPen(QColor(0x9c, 0xc7, 0x9f), r.width() / 80.0 + 0.3));
    for (int c = 1; c < cols; ++c) {
        const double x = r.left() + r.width() * c / cols;
        p.drawLine(QPointF(x, r.top() + headerH), QPointF(x, r.bottom()));
    }
    for (int row = 2; row <= rows; ++row) {
        const double y = r.top() + headerH * row;
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
}

// An address book: a navy cover with index tabs and a person on a white label.
void AddressBook(QPainter& p, const QRectF& r) {
    const double w = r.width(), h = r.height();
    p.setPen(Qt::NoPen);
    const QColor tabs[] = {kAmber, kTeal, QColor(0xd9, 0x5d, 0x39)};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(tabs[i]);
        p.drawRoundedRect(QRectF(r.right() - w * 0.14, r.top() + h * (0.14 + 0.26 * i),
                                 w * 0.14, h * 0.18),
                          w * 0.03, w * 0.03);
    }
    p.setBrush(kNavy);
    p.drawRoundedRect(QRectF(r.left(), r.top(), w * 0.90, h), w * 0.08, w * 0.08);
    p.setBrush(kNavyDark);
    p.drawRect(QRectF(r.left() + w * 0.08, r.top(), w * 0.07, h));
    p.setBrush(kPaper);
    const QRectF label(r.left() + w * 0.27, r.top() + h * 0.18, w * 0.52, h * 0.56);
    p.drawRoundedRect(label, w * 0.05, w * 0.05);
    Person(p, label.adjusted(label.width() * 0.18, label.height() * 0.12,
                             -label.width() * 0.18, 0),
           kNavy);
}

void Arrow(QPainter& p, const QRectF& r, const QColor& color) {
    QPainterPath path;
    const double w = r.width(), h = r.height();
    path.moveTo(r.left(), r.top() + h * 0.32);
    path.lineTo(r.left() + w * 0.55, r.top() + h * 0.32);
    path.lineTo(r.left() + w * 0.55, r.top());
    path.lineTo(r.right(), r.top() + h * 0.5);
    path.lineTo(r.left() + w * 0.55, r.bottom());
    path.lineTo(r.left() + w * 0.55, r.top() + h * 0.68);
    path.lineTo(r.left(), r.top() + h * 0.68);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(path);
}

// The application icon, drawn on a 256 x 256 grid.
void DrawAppIcon(QPainter& p) {
    QLinearGradient back(0, 0, 0, 256);
    back.setColorAt(0, QColor(0x2b, 0x5a, 0x94));
    back.setColorAt(1, kNavyDark);
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
    AddressBook(p, QRectF(30, 34, 120, 150));
    Worksheet(p, QRectF(116, 118, 112, 106), 3, 4);
    Arrow(p, QRectF(104, 78, 74, 44), kAmber);
}

QImage AppIcon(int size) {
    QImage image = Canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    DrawAppIcon(p);
    return image;
}

void DrawTreeLetter(QPainter& p) {
    // An index card with a tab, as in a card file.
    QPainterPath card;
    card.moveTo(1.5, 4.5);
    card.lineTo(6.5, 4.5);
    card.lineTo(7.5, 2.5);
    card.lineTo(12.5, 2.5);
    card.lineTo(13.5, 4.5);
    card.lineTo(14.5, 4.5);
    card.lineTo(14.5, 13.5);
    card.lineTo(1.5, 13.5);
    card.closeSubpath();
    p.setPen(QPen(QColor(0xb3, 0x7a, 0x00), 1));
    p.setBrush(QColor(0xfc, 0xd3, 0x6b));
    p.drawPath(card);
    p.drawLine(QPointF(4, 8.5), QPointF(12, 8.5));
    p.drawLine(QPointF(4, 11), QPointF(10, 11));
}

void DrawContact(QPainter& p) {
    const QRectF circle(1, 1, 30, 30);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xdd, 0xee, 0xf2));
    p.drawEllipse(circle);
    QPainterPath round;
    round.addEllipse(circle);
    p.setBrush(kTeal);
    p.drawPath(PersonPath(QRectF(5, 6, 22, 26)).intersected(round));
    p.setPen(QPen(kTeal, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(circle);
}

// A line in the product's colours under the banners.
void DrawStrip(QPainter& p, int width, int height) {
    QLinearGradient g(0, 0, width, 0);
    g.setColorAt(0, kNavy);
    g.setColorAt(0.6, kTeal);
    g.setColorAt(1, kAmber);
    p.fillRect(QRectF(0, 0, width, height), g);
}

// The address book, the arrow and the worksheet of the conversion window.
void DrawConversion(QPainter& p) {
    AddressBook(p, QRectF(40, 8, 84, 100));
    Arrow(p, QRectF(150, 38, 84, 42), kAmber);
    Worksheet(p, QRectF(262, 10, 92, 96), 3, 5);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: tallowby-make-art OUTDIR\n");
        return 2;
    }
    g_outDir = QString::fromLocal8Bit(argv[1]);
    // The icon theme's sizes for the desktop; the windows draw the scalable one.
    for (int size : {16, 32, 48, 64, 128, 256}) {
        Save(AppIcon(size), QStringLiteral("tallowby-%1").arg(size));
    }
    SaveSvg(QStringLiteral("tallowby"), 256, 256, DrawAppIcon);
    SaveSvg(QStringLiteral("banner-strip"), 712, 4, [](QPainter& p) { DrawStrip(p, 712, 4); });
    SaveSvg(QStringLiteral("contact"), 32, 32, DrawContact);
    SaveSvg(QStringLiteral("tree-root"), 16, 16, [](QPainter& p) { AddressBook(p, QRectF(1.5, 1, 14, 14)); });
    SaveSvg(QStringLiteral("tree-letter"), 16, 16, DrawTreeLetter);
    SaveSvg(QStringLiteral("tree-contact"), 16, 16, [](QPainter& p) { Person(p, QRectF(1.5, 1.5, 13, 13.5), kTeal); });
    SaveSvg(QStringLiteral("conversion"), 386, 116, DrawConversion);
    SaveSvg(QStringLiteral("worksheet"), 16, 16, [](QPainter& p) { Worksheet(p, QRectF(1.5, 1.5, 13, 13), 3, 4); });
    return g_failures == 0 ? 0 : 1;
}
