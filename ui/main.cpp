// tallowby: the desktop program. Its only start-up is the main window.
#include "ui/Artwork.h"
#include "ui/FrmMain.h"
#include "ui/Module1.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char** argv) {
    QApplication app(argc, argv);  // also takes the regional settings from the environment
    QApplication::setApplicationName(QStringLiteral("tallowby"));
    QApplication::setApplicationVersion(QStringLiteral("5.5.1109"));
    QGuiApplication::setDesktopFileName(QStringLiteral("tallowby"));
    QApplication::setWindowIcon(tallowby::ApplicationIcon());

    tallowby::QtMessageBoxes messages;
    tallowby::QtFilePicker files;
    tallowby::DesktopShell shell(messages);
    tallowby::FrmMain window(tallowby::UiServices{messages, files, shell});
    // A file handed over by the desktop ("Open with") goes into the path box as if typed.
    const QStringList args = QApplication::arguments();
    if (args.size() > 1 && !args.at(1).isEmpty()) {
        window.SetDatabasePath(QFileInfo(args.at(1)).absoluteFilePath());
    }
    window.show();
    return app.exec();
}
