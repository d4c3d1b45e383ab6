// tallowby: the desktop program. Its only start-up is the main window.
#include "tallowby/Version.h"
#include "files/Output.h"
#include "ui/Artwork.h"
#include "ui/FrmMain.h"
#include "ui/Module1.h"
#include "ui/Palette.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include <csignal>

namespace {

void DescribeOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("Exports the contacts of a Notes address book (DXL) to a spreadsheet."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("DATABASE"),
                                 QStringLiteral("The address book to put into the path box."),
                                 QStringLiteral("[DATABASE]"));
}

// --help, --version and -v need no window system, and a QApplication without a
// display aborts: these are answered with a QCoreApplication before one is made.
// Qt's own options (-platform NAME, -style NAME, ...) are still in the arguments
// here, so each single-dash word is read as one option (-reverse is not -v) and
// options unknown to this parser are left for the full parse.
void AnswerHelpOrVersion(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    DescribeOptions(parser);
    parser.parse(arguments);
    const bool help = parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"));
    const bool version = parser.isSet(QStringLiteral("version"));
    if (!help && !version) return;
    QCoreApplication app(argc, argv);
    if (help) parser.showHelp();  // both print and end the program
    parser.showVersion();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("tallowby"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TALLOWBY_VERSION_TEXT));
    AnswerHelpOrVersion(argc, argv);

    // An interrupted export or backup leaves no temporary file behind; a signal ignored
    // at the start stays ignored. A write past the file size limit fails with an error
    // the run reports instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    tallowby::files::InstallSignalCleanup();

    QApplication app(argc, argv);  // also takes the regional settings from the environment
    QGuiApplication::setDesktopFileName(QStringLiteral("tallowby"));
    QApplication::setWindowIcon(tallowby::ApplicationIcon());
    tallowby::ApplyPaletteFromEnvironment();

    QCommandLineParser parser;
    DescribeOptions(parser);
    parser.process(app);  // a wrong option prints why and ends the program here

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
