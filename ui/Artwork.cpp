#include "ui/Artwork.h"

#include <QFontDatabase>

// Q_INIT_RESOURCE declares a function of its own; it must run at global scope.
static void InitBundledResources() { Q_INIT_RESOURCE(tallowby); }

namespace tallowby {

void InitUiResources() {
    static const bool done = [] {
        InitBundledResources();
        return true;
    }();
    (void)done;
}

QPixmap Picture(const QString& name) {
    InitUiResources();
    return QPixmap(QStringLiteral(":/art/%1.png").arg(name));
}

QIcon ApplicationIcon() {
    InitUiResources();
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/art/tallowby-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QIcon ConversionIcon() {
    InitUiResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/art/worksheet-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/art/worksheet-32.png"), QSize(32, 32));
    return icon;
}

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
