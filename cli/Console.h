// What tallowby-cli needs of the terminal: a progress bar on stderr (only when it is
// a terminal), messages in the terminal's line ends, and standard output with every
// write checked.
#pragma once

#include "addressbook/RunControl.h"

#include <chrono>
#include <string>
#include <string_view>

namespace tallowby::cli {

// Draws "label [#####     ]  1234/5678" on stderr, only when stderr is a terminal,
// at most ten times a second.
class TerminalProgress {
public:
    explicit TerminalProgress(std::string label);
    ~TerminalProgress();
    // The run's callback: draws the contacts' progress, never asks for a stop.
    RunCallback Callback();
    void Finish();  // clears the line

private:
    void Draw(std::int64_t done, std::int64_t total);

    std::string label_;
    bool enabled_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point last_{};
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

// "unknown option '-rf.dxl' (use ./-rf.dxl for a file of that name)".
std::string UnknownOption(const std::string& option);

} // namespace tallowby::cli
