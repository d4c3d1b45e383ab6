#include "ui/HelpWindow.h"

#include "ui/Artwork.h"
#include "ui/Module1.h"
#include "ui/Placement.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QVBoxLayout>

// ui/CMakeLists.txt sets it from the install folders; this is the one for /usr.
#ifndef TALLOWBY_HELP_RELDIR
#define TALLOWBY_HELP_RELDIR "../share/doc/tallowby"
#endif

namespace tallowby {

QUrl HelpFileUrl() { return HelpFileUrl(QCoreApplication::applicationDirPath()); }

QUrl HelpFileUrl(const QString& programDir) {
    const QDir appDir(programDir);
    for (const QString& relative :
         {QStringLiteral("help/manual.html"),
          QStringLiteral(TALLOWBY_HELP_RELDIR "/manual.html")}) {
        const QFileInfo file(appDir.filePath(relative));
        if (file.isFile()) return QUrl::fromLocalFile(file.canonicalFilePath());
    }
    InitUiResources();
    return QUrl(QStringLiteral("qrc:/help/manual.html"));
}

HelpWindow::HelpWindow(QWidget* owner, Shell& shell)
    : QWidget(owner, Qt::Window), browser_(new QTextBrowser(this)), shell_(shell) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Tallowby Help"));
    setWindowIcon(ApplicationIcon());
    resize(720, 600);
    FitToScreen(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setAccessibleName(QStringLiteral("Tallowby manual"));
    browser_->setOpenLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        const QString scheme = url.scheme();
        if (url.isRelative() || scheme == QLatin1String("file") || scheme == QLatin1String("qrc")) {
            browser_->setSource(browser_->source().resolved(url));
        } else {
            shell_.ShellOpen(url.toString().toStdString());
        }
    });
    browser_->setSource(HelpFileUrl());
    // Esc and Ctrl+W close it, as they close the desktop's other help windows.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* close = new QAction(this);
        close->setShortcut(key);
        connect(close, &QAction::triggered, this, &QWidget::close);
        addAction(close);
    }
}

} // namespace tallowby
