// The platform services the windows use: message boxes, the file-open dialog and
// ShellOpen. Each is an interface so that the tests answer and record them instead
// of blocking on a real dialog or starting a browser.
#pragma once

#include "addressbook/Controls.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

class QWidget;

namespace tallowby {

// ShellOpen: hands a web address or a file path to the desktop, which opens it with
// the program registered for it. The empty text does nothing; failures are ignored.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void ShellOpen(const std::string& text) = 0;
};

// QDesktopServices::openUrl: web addresses as URLs, everything else as a local file
// (QUrl::fromLocalFile). Never a shell command line.
class DesktopShell : public Shell {
public:
    void ShellOpen(const std::string& text) override;
};

// A file-open dialog: the name it starts with, its filters and the filter selected
// when it opens. Returns the chosen file's full path, or nullopt when cancelled.
struct OpenFileRequest {
    QString fileName;
    QStringList filters;
    QString selectedFilter;
};

class FilePicker {
public:
    virtual ~FilePicker() = default;
    virtual std::optional<QString> ShowOpen(QWidget* owner, const OpenFileRequest& request) = 0;
};

class QtFilePicker : public FilePicker {
public:
    std::optional<QString> ShowOpen(QWidget* owner, const OpenFileRequest& request) override;
};

// Information icon, one OK button, over the window that is active when it is shown.
class QtMessageBoxes : public MessageBoxes {
public:
    void Show(const std::string& text, const std::string& title) override;
};

// For scripted runs (screenshots, benchmarks): a shell that opens nothing and a
// file-open dialog that always answers with the same path.
class SilentShell : public Shell {
public:
    void ShellOpen(const std::string&) override {}
};

class FixedPicker : public FilePicker {
public:
    explicit FixedPicker(QString path) : path_(std::move(path)) {}
    std::optional<QString> ShowOpen(QWidget*, const OpenFileRequest&) override { return path_; }

private:
    QString path_;
};

// The real services, for the program itself.
struct UiServices {
    MessageBoxes& messages;
    FilePicker& files;
    Shell& shell;
};

} // namespace tallowby
