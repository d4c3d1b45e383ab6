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
    QString selected = request.selectedFilter;
    const QString chosen = QFileDialog::getOpenFileName(
        owner, QString(), request.fileName, request.filters.join(QStringLiteral(";;")),
        &selected);
    if (chosen.isEmpty()) return std::nullopt;
    return chosen;
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
