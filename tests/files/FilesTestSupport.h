// The files module's tests: each works in a folder of its own under TMPDIR, and runs
// what needs another user, a signal, a mount or another standard output in a forked
// child that reports back through a pipe.
#pragma once

#include "files/Output.h"
#include "files/Testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tallowby::files::test {

namespace fs = std::filesystem;

inline constexpr uid_t kNobody = 65534;
inline constexpr uid_t kOther = 65533;  // a second user, without a name

#define SKIP_UNLESS_ROOT() \
    if (::geteuid() != 0) GTEST_SKIP() << "needs root: files of other users, devices, mounts and setuid"

// The test's folder; 0711, so that a child switched to nobody can reach what is
// prepared for it inside.
class Folder {
public:
    Folder() : path_((fs::temp_directory_path() / "tallowby-files-XXXXXX").string()) {
        if (::mkdtemp(path_.data()) == nullptr || ::chmod(path_.c_str(), 0711) != 0)
            throw std::runtime_error("cannot make a test folder");
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    Folder(const Folder&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void Make(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const bool done = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                      ::fchmod(fd, mode) == 0;
    if (fd >= 0) ::close(fd);
    if (!done) throw std::runtime_error("cannot make " + path);
}

inline struct stat Lstat(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) info.st_mode = 0;
    return info;
}
inline mode_t ModeOf(const std::string& path) { return Lstat(path).st_mode & 07777; }

inline std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
    return names;
}

inline bool AnyTemporaryIn(const std::string& folder) {
    const auto names = Names(folder);
    return std::any_of(names.begin(), names.end(), [](const std::string& n) { return n.starts_with(".tallowby-tmp-"); });
}

// Sets the umask for a test and puts the earlier one back.
class Umask {
public:
    explicit Umask(mode_t mask) : earlier_(::umask(mask)) {}
    ~Umask() { ::umask(earlier_); }

private:
    mode_t earlier_;
};

// What a child reported, and how it ended: its exit code, or 128 + the signal.
struct Child {
    int status = -1;
    std::string report;
};

// In the child: writes to the report at once, so that it arrives even when the
// child is killed afterwards.
inline int g_reportFd = -1;
inline void ReportNow(const std::string& text) {
    if (::write(g_reportFd, text.data(), text.size()) < 0) ::_exit(124);
}

// Runs `body` in a forked child, switched to `user` when it is not 0.
inline Child InChild(const std::function<std::string()>& body, uid_t user = 0) {
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) return {};
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipe[0]);
        g_reportFd = pipe[1];
        if (user != 0 && (::setgroups(0, nullptr) != 0 || ::setgid(user) != 0 || ::setuid(user) != 0)) ::_exit(126);
        ReportNow(body());
        ::_exit(0);
    }
    ::close(pipe[1]);
    Child child;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) != 0;)
        if (n > 0) child.report.append(buffer, static_cast<std::size_t>(n));
        else if (errno != EINTR) break;
    ::close(pipe[0]);
    int status = 0;
    while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    child.status = pid < 0 ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return child;
}

// Options that differ from the defaults in one field.
inline OutputOptions WithMode(mode_t mode) { OutputOptions o; o.mode = mode; return o; }
inline OutputOptions Staged() { OutputOptions o; o.staged = true; return o; }
inline OutputOptions NoReplace() { OutputOptions o; o.replace = false; return o; }
inline OutputOptions Protecting(std::optional<FileId> book) { OutputOptions o; o.protect = book; return o; }

// Open, Write and Commit: "ok", or the reason of the first refusal.
inline std::string WriteOutput(const std::string& path, const std::string& bytes, const OutputOptions& options = {}) {
    Problem problem;
    const auto out = Output::Open(path, options, problem);
    if (out && out->Write(bytes, problem) && out->Commit(problem)) return "ok";
    return problem.reason;
}

// Runs a test body once with O_TMPFILE and once with named temporary files.
inline void ForBothTemporaries(const std::function<void()>& body) {
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "named temporary files" : "O_TMPFILE");
        files::testing::UseNamedTemporaries(named);
        body();
        files::testing::UseNamedTemporaries(false);
    }
}

} // namespace tallowby::files::test
