#include "cli/Console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace tallowby::cli {

TerminalProgress::TerminalProgress(std::string label)
    : label_(std::move(label)), enabled_(isatty(STDERR_FILENO) == 1) {}

TerminalProgress::~TerminalProgress() { Finish(); }

void TerminalProgress::SetVisible(bool visible) {
    if (!visible) Finish();
}

void TerminalProgress::Repaint() {
    if (!enabled_) return;
    constexpr int kWidth = 30;
    const long long span = static_cast<long long>(max_) - min_;
    long long done = static_cast<long long>(value_) - min_;
    if (done < 0) done = 0;
    if (span > 0 && done > span) done = span;
    const int filled = span > 0 ? static_cast<int>(done * kWidth / span) : 0;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kWidth, ' ');
    std::fprintf(stderr, "\r%s [%s] %d/%d", label_.c_str(), bar.c_str(), value_, max_);
    std::fflush(stderr);
    drawn_ = true;
}

void TerminalProgress::Finish() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    drawn_ = false;
}

std::string ForTerminal(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

namespace {

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

bool PrintOut(std::string_view text) {
    // What stdio holds goes first, so that the order stays as written.
    if (std::fflush(stdout) != 0) return false;
    return WriteAll(STDOUT_FILENO, text);
}

bool CloseStdout() {
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        if (errno == 0) errno = EIO;
        return false;
    }
    // Closed on the descriptor: stdio's stream stays valid and has nothing more to write.
    return ::close(STDOUT_FILENO) == 0 || errno == EINTR;
}

int StdoutFailed(const char* what) {
    const int error = errno;
    std::fflush(stderr);
    PrintError(std::string("tallowby-cli: cannot write ") + what + " to standard output: " + std::strerror(error) +
               "\n");
    return 1;
}

void PrintError(std::string_view text) {
    std::fflush(stderr);
    WriteAll(STDERR_FILENO, text);
}

} // namespace tallowby::cli
