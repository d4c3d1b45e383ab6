#include "cli/Console.h"

#include <cstdio>
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

} // namespace tallowby::cli
