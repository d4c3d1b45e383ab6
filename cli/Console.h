// Console implementations of the window interfaces for tallowby-cli: the database
// path given on the command line, controls that only remember their state, a
// progress bar drawn on stderr when it is a terminal, and message boxes printed
// as text (to stdout for results, stderr for failures, decided by the command).
#pragma once

#include "addressbook/Controls.h"

#include <string>
#include <string_view>
#include <vector>

namespace tallowby::cli {

class FixedText : public TextSource {
public:
    explicit FixedText(std::string text) : text_(std::move(text)) {}
    std::string Text() const override { return text_; }

private:
    std::string text_;
};

class StateControl : public Control {
public:
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    void SetVisible(bool visible) override { visible_ = visible; }
    bool enabled() const { return enabled_; }
    bool visible() const { return visible_; }

private:
    bool enabled_ = true;
    bool visible_ = true;
};

// Draws "label [#####     ]  1234/5678" on stderr, only when stderr is a terminal.
class TerminalProgress : public ProgressBar {
public:
    explicit TerminalProgress(std::string label);
    ~TerminalProgress() override;
    void SetMinimum(int32_t value) override { min_ = value; }
    void SetMaximum(int32_t value) override { max_ = value; }
    void SetValue(int32_t value) override { value_ = value; }
    void SetVisible(bool visible) override;
    void Repaint() override;
    void Finish();  // clears the line

private:
    std::string label_;
    int32_t min_ = 0, max_ = 100, value_ = 0;
    bool enabled_;
    bool drawn_ = false;
};

// Records every message; the command prints them where they belong.
class RecordedMessages : public MessageBoxes {
public:
    struct Message {
        std::string text, title;
    };
    void Show(const std::string& text, const std::string& title) override {
        messages_.push_back({text, title});
    }
    const std::vector<Message>& messages() const { return messages_; }
    std::string LastText() const { return messages_.empty() ? std::string() : messages_.back().text; }

private:
    std::vector<Message> messages_;
};

// Message texts use CR LF between lines (as the boxes show them); a terminal wants LF.
std::string ForTerminal(const std::string& text);

// Standard output, every write checked: a listing that does not arrive in full (a full
// disk, a closed pipe) is an error, never a success.
// Writes all of text; false, with errno set, when it could not.
bool PrintOut(std::string_view text);
// Flushes and closes standard output, so that a failure reported only then is seen
// too; false, with errno set, when something written did not arrive.
bool CloseStdout();
// Says on stderr that `what` could not be written to standard output, and why (errno);
// returns the exit status 1.
int StdoutFailed(const char* what);
// Writes text to standard error, as far as it goes.
void PrintError(std::string_view text);

} // namespace tallowby::cli
