#include "ui/Module1.h"

#include "addressbook/Messages.h"
#include "ui/WebLinks.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tallowby {

namespace {

// Runs `opener target` in a new session through /bin/sh, which reports the opener's
// exit status on a pipe; done(status) runs on the event loop when it is known (-1
// when the opener could not be started or ended without a status). The opener may
// run as long as the program it starts, and is left to run when this program ends.
void StartOpener(const QString& opener, const QString& target, std::function<void(int)> done) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return done(-1);
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, fds[1], 3);  // the status goes to fd 3
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawnattr_init(&attributes);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    const QByteArray openerBytes = QFile::encodeName(opener);
    const QByteArray targetBytes = QFile::encodeName(target);
    const char* argv[] = {"/bin/sh", "-c", "\"$0\" \"$1\" 3>&-; echo $? >&3",
                          openerBytes.constData(), targetBytes.constData(), nullptr};
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, "/bin/sh", &actions, &attributes,
                                    const_cast<char* const*>(argv), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    ::close(fds[1]);
    if (error != 0) {
        ::close(fds[0]);
        return done(-1);
    }
    auto* notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [=] {
        char buffer[16] = {};
        ssize_t n;
        do n = ::read(fds[0], buffer, sizeof buffer - 1);
        while (n < 0 && errno == EINTR);
        notifier->setEnabled(false);
        notifier->deleteLater();
        ::close(fds[0]);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        done(n > 0 ? std::atoi(buffer) : -1);
    });
}

} // namespace

void DesktopShell::ShellOpen(const std::string& text) {
    if (text.empty()) return;
    const QString qtext = QString::fromStdString(text);
    const QString target = IsWebAddress(text) ? qtext : QFileInfo(qtext).absoluteFilePath();
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) return CannotOpen(target, true);
    StartOpener(opener, target, [this, target](int status) {
        if (status != 0) CannotOpen(target, false);
    });
}

void DesktopShell::CannotOpen(const QString& target, bool openerMissing) {
    const bool web = IsWebAddress(target.toStdString());
    std::string text = web ? "The web address could not be opened:" : "The file could not be opened:";
    text += "\r\n" + target.toStdString() + "\r\n\r\n";
    if (openerMissing) {
        text += "The desktop's opener, xdg-open, is not installed (Debian package xdg-utils). ";
    } else {
        text += web ? "No web browser is set up to open it. "
                    : "No program is set up to open files of this kind. ";
    }
    text += web ? "Copy the address above into a web browser."
                : "Open the file from a spreadsheet program; its path above can be copied.";
    messages_.Show(text, kCompanyTitle);
}

std::optional<QString> QtFilePicker::ShowOpen(QWidget* owner, const OpenFileRequest& request) {
    // An open dialog with the default title; the name is not checked for existence
    // (a path that names nothing is reported by the scan, like a typed one).
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    dialog.selectNameFilter(request.selectedFilter);
    dialog.setDirectory(request.directory);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
    return chosen.front();
}

namespace {

// Over the window that is active; the text plain, selectable (Ctrl+C copies it all).
void SetUpBox(QMessageBox& box, const std::string& text, const std::string& title) {
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner) owner = QApplication::activeWindow();
    box.setParent(owner, box.windowFlags());
    box.setWindowTitle(QString::fromStdString(title));
    // Messages separate their lines with CR LF; a label wants LF alone.
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setText(shown);
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
}

} // namespace

std::optional<QString> QtFilePicker::ShowSave(QWidget* owner, const OpenFileRequest& request) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    dialog.selectNameFilter(request.selectedFilter);
    dialog.setDirectory(request.directory);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
    return chosen.front();
}

void QtMessageBoxes::Show(const std::string& text, const std::string& title) {
    QMessageBox box(QMessageBox::Information, QString(), QString(), QMessageBox::Ok);
    SetUpBox(box, text, title);
    box.exec();
}

bool QtMessageBoxes::Ask(const std::string& text, const std::string& title, const std::string& yes,
                         const std::string& no) {
    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::NoButton);
    SetUpBox(box, text, title);
    QPushButton* accept = box.addButton(QString::fromStdString(yes), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QString::fromStdString(no), QMessageBox::RejectRole);
    box.setDefaultButton(accept);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == accept;
}

} // namespace tallowby
