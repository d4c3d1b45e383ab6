#include "ui/Module1.h"

#include "ui/WebLinks.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace tallowby {

void DesktopShell::ShellOpen(const std::string& text) {
    if (text.empty()) return;
    const QString qtext = QString::fromStdString(text);
    const QUrl url = IsWebAddress(text) ? QUrl(qtext) : QUrl::fromLocalFile(qtext);
    QDesktopServices::openUrl(url);  // the result is not looked at
}

std::optional<QString> QtFilePicker::ShowOpen(QWidget* owner, const OpenFileRequest& request) {
    // An open dialog with the default title; the name is not checked for existence
    // (a path that names nothing is reported by the scan, like a typed one).
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    dialog.selectNameFilter(request.selectedFilter);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
    return chosen.front();
}

void QtMessageBoxes::Show(const std::string& text, const std::string& title) {
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner) owner = QApplication::activeWindow();
    // Messages separate their lines with CR LF; a label wants LF alone.
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::Information, QString::fromStdString(title), shown,
                    QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace tallowby
