// How the windows look, measured from what they draw, offscreen: under a dark palette
// every text stands out from what lies behind it (a contrast of at least 4.5:1, from
// the window's own pixels), and every window fits its screen, at scale 1 on 800 x 600
// and at scale 2 on 1600 x 1000 (run with QT_SCALE_FACTOR=2 and that screen).
#include "tests/ui/UiTestSupport.h"
#include "ui/DocAbout.h"
#include "ui/FrmConversion.h"
#include "ui/HelpWindow.h"
#include "ui/Palette.h"

#include <QStyleFactory>

#include <cmath>

using namespace tallowby;
using namespace tallowby::test;

namespace {

double Luminance(QRgb rgb) {
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb)) + 0.0722 * channel(qBlue(rgb));
}

// The contrast of a control's text in the window's picture: the commonest colour of
// its place is the background, the pixel furthest from it the text.
double Contrast(QWidget* control) {
    QWidget* top = control->window();
    const QImage shot = top->grab().toImage();
    const qreal ratio = shot.devicePixelRatio();
    const QRect place(control->mapTo(top, QPoint()) * ratio, control->size() * ratio);
    QHash<QRgb, int> counts;
    for (int y = place.top(); y <= place.bottom(); ++y)
        for (int x = place.left(); x <= place.right(); ++x) ++counts[shot.pixel(x, y) & 0xffffff];
    QRgb background = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) most = it.value(), background = it.key();
    double best = 1;
    const double lb = Luminance(background);
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const double l = Luminance(it.key());
        best = std::max(best, (std::max(l, lb) + 0.05) / (std::min(l, lb) + 0.05));
    }
    return best;
}

void CheckReadable(QWidget* top, const QStringList& names) {
    for (const QString& name : names) {
        QWidget* control = top->findChild<QWidget*>(name);
        QVERIFY2(control && control->isVisible(), qPrintable(name));
        const double contrast = Contrast(control);
        QVERIFY2(contrast >= 4.5, qPrintable(QString("%1: %2:1").arg(name).arg(contrast, 0, 'f', 2)));
    }
}

void CheckOnScreen(QWidget* window) {
    const QRect screen = window->screen()->availableGeometry();
    QVERIFY2(screen.contains(window->frameGeometry()),
             qPrintable(QString("%1: %2x%3 on %4x%5").arg(window->objectName()).arg(window->width())
                            .arg(window->height()).arg(screen.width()).arg(screen.height())));
}

} // namespace

class UiLookTest : public QObject {
    Q_OBJECT
private slots:
    void darkPaletteKeepsTextReadable() {
        QApplication::setStyle(QStyleFactory::create("Fusion"));
        QApplication::setPalette(DarkPalette());
        Fixture f;
        f.BrowseAndScan(f.CopySample());
        f.ClickNode(f.Node("Jo|Ann Pemberton"));
        CheckReadable(&f.window, {"Label4", "Label1", "Label2", "Label3", "Label49", "LblTopName", "Label5",
                                  "txtFirstName", "txtCompany", "LblStatus", "CmdBrowse"});
        WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            CheckReadable(dialog, {"LblHeading", "optXls", "LblTarget", "txtTarget", "CmdConversion"});
            Click(dialog->findChild<QPushButton*>("CmdConversion"));
            WaitForRun(dialog);
            CheckReadable(dialog, {"LblDoneTitle", "LblDoneSubtitle", "LblOpenExcelFile", "LblDoneFile", "CmdCloseAll"});
        });
        Click(f.Button("CmdContactsCreate"));
        WhenModal<DocAbout>(&f.window, [&](DocAbout* about) { CheckReadable(about, {"Label4", "Label5", "Label3", "CmdOK"}); });
        f.window.mnuAbout_Click();
        f.window.mnuContents_Click();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.helpWindow()));
        CheckReadable(f.window.helpWindow(), {"HelpBrowser"});
    }

    void everyWindowFitsTheScreen() {
        Fixture f;
        CheckOnScreen(&f.window);
        // What lies lowest is in view: the status line.
        QVERIFY(f.window.findChild<QStatusBar*>()->isVisible());
        f.BrowseAndScan(f.CopySample());
        f.ClickNode(f.Node("Jo|Ann Pemberton"));
        QVERIFY(f.Find("txtFirstName")->visibleRegion().boundingRect().width() > 0);
        WhenModal<FrmConversion>(&f.window, [&](FrmConversion* dialog) {
            CheckOnScreen(dialog);
            QVERIFY(!dialog->findChild<QWidget*>("CmdConversion")->visibleRegion().isEmpty());
        });
        Click(f.Button("CmdContactsCreate"));
        WhenModal<DocAbout>(&f.window, [&](DocAbout* about) { CheckOnScreen(about); });
        f.window.mnuAbout_Click();
        f.window.mnuContents_Click();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.helpWindow()));
        CheckOnScreen(f.window.helpWindow());
        qInfo("screen %dx%d at scale %.1f: main window %dx%d", f.window.screen()->availableGeometry().width(),
              f.window.screen()->availableGeometry().height(), f.window.devicePixelRatioF(), f.window.width(),
              f.window.height());
    }
};

QTEST_MAIN(UiLookTest)
#include "tst_ui_look.moc"
