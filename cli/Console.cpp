#include "cli/Console.h"

#include "files/Problem.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace tallowby::cli {

TerminalProgress::TerminalProgress(std::string label)
    : label_(std::move(label)), enabled_(isatty(STDERR_FILENO) == 1) {}

TerminalProgress::~TerminalProgress() { Finish(); }

RunCallback TerminalProgress::Callback() {
    return [this](RunStage stage, std::int64_t done, std::int64_t total) {
        if (stage != RunStage::Contacts || !enabled_) return true;
        const auto now = std::chrono::steady_clock::now();
        if (done < total && now - last_ < std::chrono::milliseconds(100)) return true;
        last_ = now;
        Draw(done, total);
        return true;
    };
}

void TerminalProgress::Draw(std::int64_t done, std::int64_t total) {
    constexpr int kWidth = 30;
    if (done < 0) done = 0;
    if (total > 0 && done > total) done = total;
    const int filled = total > 0 ? static_cast<int>(done * kWidth / total) : 0;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kWidth, ' ');
    std::fprintf(stderr, "\r%s [%s] %lld/%lld", label_.c_str(), bar.c_str(), static_cast<long long>(done),
                 static_cast<long long>(total));
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

std::string UnknownOption(const std::string& option) {
    const std::string shown = files::Printable(option);
    return "unknown option '" + shown + "' (use ./" + shown + " for a file of that name)";
}

void PrintError(std::string_view text) {
    std::fflush(stderr);
    WriteAll(STDERR_FILENO, text);
}

} // namespace tallowby::cli
