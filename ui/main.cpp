// tallowby: the desktop program. Its only start-up is the main window.
#include "ui/Artwork.h"
#include "ui/FrmMain.h"
#include "ui/Module1.h"
#include "ui/Palette.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include <memory>

#include <cstring>

namespace {

bool AsksForHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0) return true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // --help and --version need no display: they are answered before any window
    // system is opened.
    std::unique_ptr<QCoreApplication> app(AsksForHelpOrVersion(argc, argv) ? new QCoreApplication(argc, argv)
                                                                          : new QApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("tallowby"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TALLOWBY_VERSION_TEXT));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Exports the contacts of a Notes address book (DXL) to a spreadsheet."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("DATABASE"),
                                 QStringLiteral("The address book to put into the path box."),
                                 QStringLiteral("[DATABASE]"));
    parser.process(*app);  // --help and --version print and end the program here

    QGuiApplication::setDesktopFileName(QStringLiteral("tallowby"));
    QApplication::setWindowIcon(tallowby::ApplicationIcon());
    tallowby::ApplyPaletteFromEnvironment();

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
    return app->exec();
}
