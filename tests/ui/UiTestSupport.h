// Stand-ins for the platform services that the windows use, so that tests record
// message boxes, file dialogs and ShellOpen calls instead of waiting for a user.
#pragma once

#include "ui/Module1.h"

#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tallowby::test {

class RecordingMessages : public MessageBoxes {
public:
    struct Shown {
        std::string text, title;
    };
    void Show(const std::string& text, const std::string& title) override {
        shown.push_back({text, title});
        if (onShow) onShow();
    }
    std::vector<Shown> shown;
    std::function<void()> onShow;  // runs while the "box" is up
};

class RecordingShell : public Shell {
public:
    void ShellOpen(const std::string& text) override {
        opened.push_back(text);
        if (onOpen) onOpen();
    }
    std::vector<std::string> opened;
    std::function<void()> onOpen;
};

// Answers the file dialog from a script: a name is a choice, nullopt a cancel. An
// empty script cancels.
class ScriptedFiles : public FilePicker {
public:
    std::optional<QString> ShowOpen(QWidget*, const OpenFileRequest& request) override {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        const bool chosen = answers.front().has_value();
        const QString name = chosen ? *answers.front() : QString();
        answers.pop_front();
        if (!chosen) return std::nullopt;
        return name;
    }
    std::deque<std::optional<QString>> answers;
    std::vector<OpenFileRequest> requests;
};

} // namespace tallowby::test
