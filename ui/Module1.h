// The platform services the windows use: message boxes and questions, the file-open
// and save dialogs, and ShellOpen. Each is an interface so that the tests answer and record them instead
// of blocking on a real dialog or starting a browser.
#pragma once


#include <QString>
#include <QStringList>

#include <optional>
#include <string>

class QWidget;

namespace tallowby {

// Message boxes with the information icon and a single OK button; Show returns when
// the user has closed the box.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void Show(const std::string& text, const std::string& title) = 0;
    // A question with two buttons, `yes` the default, and Esc for `no`: true for `yes`.
    virtual bool Ask(const std::string& text, const std::string& title, const std::string& yes,
                     const std::string& no) = 0;
};

// ShellOpen: hands a web address or a file path to the desktop, which opens it with
// the program registered for it. The empty text does nothing; failures are ignored.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void ShellOpen(const std::string& text) = 0;
};

// Opens through the desktop's opener, xdg-open, started in a session of its own so
// that what it opens outlives the program. A web address goes as it is; a file path
// is made absolute first (relative to the working folder). When it cannot be opened
// (no xdg-open, or no program for it), a message shows the address or the path, so
// that the user can copy it.
class DesktopShell : public Shell {
public:
    explicit DesktopShell(MessageBoxes& messages) : messages_(messages) {}
    void ShellOpen(const std::string& text) override;

private:
    void CannotOpen(const QString& target, bool openerMissing);
    MessageBoxes& messages_;
};

// A file-open dialog: the folder it opens in, the file it starts with (none when
// empty), its filters and the filter selected when it opens. Returns the chosen
// file's full path, or nullopt when cancelled.
struct OpenFileRequest {
    QString directory;
    QString fileName;
    QStringList filters;
    QString selectedFilter;
};

// A save dialog asks the same (fileName: the name it proposes) and confirms the
// replacing of a file that exists.
class FilePicker {
public:
    virtual ~FilePicker() = default;
    virtual std::optional<QString> ShowOpen(QWidget* owner, const OpenFileRequest& request) = 0;
    virtual std::optional<QString> ShowSave(QWidget* owner, const OpenFileRequest& request) = 0;
};

class QtFilePicker : public FilePicker {
public:
    std::optional<QString> ShowOpen(QWidget* owner, const OpenFileRequest& request) override;
    std::optional<QString> ShowSave(QWidget* owner, const OpenFileRequest& request) override;
};

// Information icon, one OK button, over the window that is active when it is shown.
// The text can be selected and copied.
class QtMessageBoxes : public MessageBoxes {
public:
    void Show(const std::string& text, const std::string& title) override;
    bool Ask(const std::string& text, const std::string& title, const std::string& yes,
             const std::string& no) override;
};

// For scripted runs (screenshots, benchmarks): a shell that opens nothing and a
// file-open dialog that always answers with the same path (a save dialog: cancelled).
class SilentShell : public Shell {
public:
    void ShellOpen(const std::string&) override {}
};

class FixedPicker : public FilePicker {
public:
    explicit FixedPicker(QString path) : path_(std::move(path)) {}
    std::optional<QString> ShowOpen(QWidget*, const OpenFileRequest&) override { return path_; }
    std::optional<QString> ShowSave(QWidget*, const OpenFileRequest&) override { return std::nullopt; }

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
