// tallowby: the desktop program. Its only start-up is the main window.
#include "ui/Artwork.h"
#include "ui/FrmMain.h"
#include "ui/Module1.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

int main(int argc, char** argv) {
    QApplication app(argc, argv);  // also takes the regional settings from the environment
    QApplication::setApplicationName(QStringLiteral("tallowby"));
    QApplication::setApplicationVersion(QStringLiteral(TALLOWBY_VERSION_TEXT));
    QGuiApplication::setDesktopFileName(QStringLiteral("tallowby"));
    QApplication::setWindowIcon(tallowby::ApplicationIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Exports the contacts of a Notes address book (DXL) to a spreadsheet."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("DATABASE"),
                                 QStringLiteral("The address book to put into the path box."),
                                 QStringLiteral("[DATABASE]"));
    parser.process(app);  // --help and --version print and end the program here

    tallowby::QtMessageBoxes messages;
    tallowby::QtFilePicker files;
    tallowby::DesktopShell shell(messages);
    tallowby::FrmMain window(tallowby::UiServices{messages, files, shell});
    // A file handed over by the desktop ("Open with") goes into the path box as if typed.
    const QStringList books = parser.positionalArguments();
    if (!books.isEmpty() && !books.first().isEmpty()) {
        window.SetDatabasePath(QFileInfo(books.first()).absoluteFilePath());
    }
    window.show();
    return app.exec();
}
