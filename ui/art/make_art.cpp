// Draws the program's pictures with QPainter and writes them as PNG files:
//   tallowby-make-art OUTDIR
// All artwork is drawn here from shapes and text, so it can be changed and redrawn.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>

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

QImage Canvas(int width, int height, const QColor& fill = Qt::transparent) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

// A head and shoulders inside the rectangle.
void Person(QPainter& p, const QRectF& r, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    const double w = r.width(), h = r.height();
    p.drawEllipse(QRectF(r.left() + w * 0.30, r.top() + h * 0.05, w * 0.40, h * 0.42));
    QPainterPath body;
    body.moveTo(r.left() + w * 0.08, r.bottom());
    body.cubicTo(r.left() + w * 0.08, r.top() + h * 0.50, r.right() - w * 0.08,
                 r.top() + h * 0.50, r.right() - w * 0.08, r.bottom());
    body.closeSubpath();
    p.drawPath(body);
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

// The application icon, drawn on a 256 x 256 grid and scaled to the size asked for.
QImage AppIcon(int size) {
    QImage image = Canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    QLinearGradient back(0, 0, 0, 256);
    back.setColorAt(0, QColor(0x2b, 0x5a, 0x94));
    back.setColorAt(1, kNavyDark);
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
    AddressBook(p, QRectF(30, 34, 120, 150));
    Worksheet(p, QRectF(116, 118, 112, 106), 3, 4);
    Arrow(p, QRectF(104, 78, 74, 44), kAmber);
    return image;
}

QImage WorksheetIcon(int size) {
    QImage image = Canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    Worksheet(p, QRectF(1.5, 1.5, 13, 13), 3, 4);
    return image;
}

QImage TreeRoot() {
    QImage image = Canvas(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    AddressBook(p, QRectF(1.5, 1, 14, 14));
    return image;
}

QImage TreeLetter() {
    // An index card with a tab, as in a card file.
    QImage image = Canvas(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
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
    p.setPen(QPen(QColor(0xb3, 0x7a, 0x00), 1));
    p.drawLine(QPointF(4, 8.5), QPointF(12, 8.5));
    p.drawLine(QPointF(4, 11), QPointF(10, 11));
    return image;
}

QImage TreeContact() {
    QImage image = Canvas(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    Person(p, QRectF(1.5, 1.5, 13, 13.5), kTeal);
    return image;
}

QImage Contact() {
    QImage image = Canvas(32, 32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xdd, 0xee, 0xf2));
    p.drawEllipse(QRectF(1, 1, 30, 30));
    p.save();
    p.setClipRegion(QRegion(1, 1, 30, 30, QRegion::Ellipse));
    Person(p, QRectF(5, 6, 22, 26), kTeal);
    p.restore();
    p.setPen(QPen(kTeal, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(1, 1, 30, 30));
    return image;
}

QImage BannerStrip() {
    QImage image = Canvas(712, 4);
    QPainter p(&image);
    QLinearGradient g(0, 0, 712, 0);
    g.setColorAt(0, kNavy);
    g.setColorAt(0.6, kTeal);
    g.setColorAt(1, kAmber);
    p.fillRect(image.rect(), g);
    return image;
}

QFont Face(int pixelSize, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QImage Conversion() {
    QImage image = Canvas(386, 155, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient title(0, 0, 386, 0);
    title.setColorAt(0, kNavy);
    title.setColorAt(1, kTeal);
    p.fillRect(QRectF(0, 0, 386, 28), title);
    p.setPen(Qt::white);
    p.setFont(Face(13, true));
    p.drawText(QRectF(12, 0, 370, 28), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("Address book to Excel worksheet"));
    AddressBook(p, QRectF(40, 42, 84, 100));
    Arrow(p, QRectF(150, 72, 84, 42), kAmber);
    Worksheet(p, QRectF(262, 44, 92, 96), 3, 5);
    return image;
}

QImage ProductBanner() {
    QImage image = Canvas(330, 61);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient g(0, 0, 330, 0);
    g.setColorAt(0, kNavyDark);
    g.setColorAt(1, kTeal);
    p.fillRect(image.rect(), g);
    p.fillRect(QRectF(0, 57, 330, 4), kAmber);
    p.drawImage(QRectF(10, 6, 44, 44), AppIcon(88));
    p.setPen(Qt::white);
    p.setFont(Face(18, true));
    p.drawText(QRectF(64, 6, 260, 26), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Corvane Tallowby"));
    p.setFont(Face(11, false));
    p.drawText(QRectF(64, 30, 260, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Your contacts are in the worksheet"));
    return image;
}

QImage AboutLogo() {
    QImage image = Canvas(330, 82, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient g(0, 0, 0, 82);
    g.setColorAt(0, QColor(0xee, 0xf3, 0xf9));
    g.setColorAt(1, Qt::white);
    p.fillRect(image.rect(), g);
    p.fillRect(QRectF(0, 78, 330, 4), kNavy);
    p.drawImage(QRectF(18, 9, 60, 60), AppIcon(120));
    p.setPen(kNavy);
    p.setFont(Face(13, true));
    p.drawText(QRectF(92, 12, 230, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Corvane"));
    p.setFont(Face(24, true));
    p.drawText(QRectF(92, 30, 230, 30), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Tallowby"));
    p.setPen(kInk);
    p.setFont(Face(11, false));
    p.drawText(QRectF(92, 58, 230, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Notes address book to Excel"));
    return image;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: tallowby-make-art OUTDIR\n");
        return 2;
    }
    g_outDir = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 32, 48, 64, 128, 256}) {
        Save(AppIcon(size), QStringLiteral("tallowby-%1").arg(size));
    }
    Save(AppIcon(48), QStringLiteral("logo"));
    Save(BannerStrip(), QStringLiteral("banner-strip"));
    Save(Contact(), QStringLiteral("contact"));
    Save(TreeRoot(), QStringLiteral("tree-root"));
    Save(TreeLetter(), QStringLiteral("tree-letter"));
    Save(TreeContact(), QStringLiteral("tree-contact"));
    Save(Conversion(), QStringLiteral("conversion"));
    Save(ProductBanner(), QStringLiteral("product-banner"));
    Save(AboutLogo(), QStringLiteral("about-logo"));
    Save(WorksheetIcon(16), QStringLiteral("worksheet-16"));
    Save(WorksheetIcon(32), QStringLiteral("worksheet-32"));
    return g_failures == 0 ? 0 : 1;
}
