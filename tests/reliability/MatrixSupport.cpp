#include "MatrixSupport.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tallowby::matrix {

namespace fs = std::filesystem;

namespace {

std::string ErrorText(int error) { return std::strerror(error); }

// Mounts made by a test stay private to its process (and the programs it starts),
// so that a test that dies before its clean-up leaves nothing mounted behind.
void EnterPrivateMountNamespace() {
    static bool done = false;
    if (done) return;
    done = true;
    if (::unshare(CLONE_NEWNS) == 0) ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
}

bool ReadAllFromFd(int fd, std::string& into) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        into.append(buffer, static_cast<std::size_t>(n));
    }
}

bool WriteAllToFd(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void Fill(ChildResult& result, int status) {
    result.exited = WIFEXITED(status);
    result.exitCode = result.exited ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

// A report travels through the pipe as: key length, key, value length, value.
std::string Encode(const Report& report) {
    std::string bytes;
    const auto put = [&](const std::string& text) {
        const std::uint64_t size = text.size();
        bytes.append(reinterpret_cast<const char*>(&size), sizeof size);
        bytes += text;
    };
    for (const auto& [key, value] : report) {
        put(key);
        put(value);
    }
    return bytes;
}

bool Decode(const std::string& bytes, Report& report) {
    std::size_t pos = 0;
    const auto take = [&](std::string& text) {
        std::uint64_t size = 0;
        if (bytes.size() - pos < sizeof size) return false;
        std::memcpy(&size, bytes.data() + pos, sizeof size);
        pos += sizeof size;
        if (bytes.size() - pos < size) return false;
        text.assign(bytes, pos, size);
        pos += size;
        return true;
    };
    while (pos < bytes.size()) {
        std::string key, value;
        if (!take(key) || !take(value)) return false;
        report[key] = value;
    }
    return true;
}

// A 64-bit checksum of a file, eight bytes at a time.
bool Checksum(const std::string& path, std::uint64_t& sum) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::vector<char> buffer(std::size_t{1} << 20);
    std::uint64_t h = 0x9E3779B97F4A7C15ULL;
    std::uint64_t total = 0;
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        std::size_t i = 0;
        const auto count = static_cast<std::size_t>(n);
        for (; i + 8 <= count; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, buffer.data() + i, 8);
            h = (h ^ word) * 0x100000001B3ULL;
            h ^= h >> 29;
        }
        for (; i < count; ++i) h = (h ^ static_cast<unsigned char>(buffer[i])) * 0x100000001B3ULL;
        total += count;
    }
    ::close(fd);
    sum = h ^ total;
    return ok;
}

} // namespace

// ------------------------------------------------------------- Sandbox

Sandbox::Sandbox() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tallowby-matrix-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    work_ = root_ + "/work";
    fs::create_directory(work_);
}

Sandbox::~Sandbox() {
    for (auto it = mounts_.rbegin(); it != mounts_.rend(); ++it) ::umount2(it->c_str(), MNT_DETACH);
    std::error_code ec;
    for (const std::string& folder : readOnlyByMode_)
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ec);
    // A file of mode 000 in a folder we own can still be removed.
    fs::remove_all(root_, ec);
}

std::string Sandbox::MountReadOnly(const std::string& folder) {
    if (::geteuid() != 0) {
        // A normal user cannot write into a folder without write permission.
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        readOnlyByMode_.push_back(folder);
        return {};
    }
    // As root the permission bits do not stop writing; a read-only mount does.
    EnterPrivateMountNamespace();
    if (::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0)
        return "cannot bind-mount the folder onto itself: " + ErrorText(errno);
    mounts_.push_back(folder);
    if (::mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        return "cannot remount the folder read-only: " + ErrorText(errno);
    return {};
}

std::string Sandbox::MountSmallDisk(const std::string& folder, const std::string& size) {
    EnterPrivateMountNamespace();
    const std::string options = "size=" + size + ",mode=0755";
    if (::mount("tallowby-matrix", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                options.c_str()) != 0)
        return "cannot mount a " + size + " tmpfs: " + ErrorText(errno);
    mounts_.push_back(folder);
    return {};
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// ------------------------------------------------------------- snapshots

Snapshot TakeSnapshot(const std::string& folder) {
    Snapshot snapshot;
    std::vector<std::string> pending{""};
    while (!pending.empty()) {
        const std::string relative = pending.back();
        pending.pop_back();
        const std::string here = relative.empty() ? folder : folder + "/" + relative;
        for (const auto& entry : fs::directory_iterator(here)) {
            const std::string name =
                (relative.empty() ? "" : relative + "/") + entry.path().filename().string();
            struct stat info {};
            if (::lstat(entry.path().c_str(), &info) != 0) continue;
            EntryState state;
            if (S_ISREG(info.st_mode)) {
                state.kind = 'f';
                state.size = static_cast<std::uintmax_t>(info.st_size);
                // A file only its owner's permission bits keep us from: its size stands in.
                if (!Checksum(entry.path(), state.checksum)) state.checksum = 0;
            } else if (S_ISDIR(info.st_mode)) {
                state.kind = 'd';
                pending.push_back(name);
            } else if (S_ISCHR(info.st_mode)) {
                state.kind = 'c';
                state.device = info.st_rdev;
            } else if (S_ISFIFO(info.st_mode)) {
                state.kind = 'p';
            } else if (S_ISLNK(info.st_mode)) {
                state.kind = 'l';
            }
            snapshot[name] = state;
        }
    }
    return snapshot;
}

std::string Describe(const Snapshot& snapshot) {
    std::ostringstream out;
    for (const auto& [name, state] : snapshot) {
        out << "  [" << state.kind << "] ";
        for (const char c : name) {
            if (c == '\n') out << "\\n";
            else out << c;
        }
        if (state.kind == 'f') out << " (" << state.size << " bytes, " << std::hex << state.checksum
                                   << std::dec << ")";
        out << "\n";
    }
    return out.str();
}

// ------------------------------------------------------------- children

std::string ChildResult::HowItEnded() const {
    if (!failure.empty()) return "could not run: " + failure;
    if (exited) return "exit status " + std::to_string(exitCode);
    if (signal != 0) return "killed by signal " + std::to_string(signal) + " (" + strsignal(signal) + ")";
    return "ended in an unknown way";
}

bool BecomeNobody() {
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 &&
           ::getuid() == kNobody && ::geteuid() == kNobody;
}

ChildResult RunProgram(const std::vector<std::string>& args, const std::string& captureFolder,
                       RunAs runAs) {
    ChildResult result;
    const std::string outFile = captureFolder + "/child-stdout";
    const std::string errFile = captureFolder + "/child-stderr";
    std::vector<std::string> text = args;
    std::vector<char*> argv;
    for (std::string& arg : text) argv.push_back(arg.data());
    argv.push_back(nullptr);

    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        result.failure = "fork: " + ErrorText(errno);
        return result;
    }
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0) ::_exit(125);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (runAs == RunAs::Nobody && !BecomeNobody()) ::_exit(126);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            result.failure = "waitpid: " + ErrorText(errno);
            return result;
        }
    }
    Fill(result, status);
    if (result.exited && result.exitCode >= 125)
        result.failure = "the child could not start the program (" + std::to_string(result.exitCode) + ")";
    result.out = ReadFile(outFile);
    result.err = ReadFile(errFile);
    fs::remove(outFile);
    fs::remove(errFile);
    return result;
}

CoreResult RunInChild(const std::function<Report()>& body, RunAs runAs) {
    CoreResult result;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        result.child.failure = "pipe: " + ErrorText(errno);
        return result;
    }
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        result.child.failure = "fork: " + ErrorText(errno);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return result;
    }
    if (pid == 0) {
        ::close(pipeFds[0]);
        if (runAs == RunAs::Nobody && !BecomeNobody()) ::_exit(126);
        Report report;
        try {
            report = body();
        } catch (const std::exception& e) {
            report["exception"] = e.what();
        } catch (...) {
            report["exception"] = "an exception that is no std::exception";
        }
        ::_exit(WriteAllToFd(pipeFds[1], Encode(report)) ? 0 : 124);
    }
    ::close(pipeFds[1]);
    std::string bytes;
    ReadAllFromFd(pipeFds[0], bytes);
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            result.child.failure = "waitpid: " + ErrorText(errno);
            return result;
        }
    }
    Fill(result.child, status);
    if (result.child.exited && result.child.exitCode != 0)
        result.child.failure = "the child failed before reporting (" +
                               std::to_string(result.child.exitCode) + ")";
    else if (result.child.exited && !Decode(bytes, result.report))
        result.child.failure = "the child's report is garbled";
    return result;
}

std::string ProbeUnreadableForNobody(const std::string& folder, const std::string& path) {
    const RunAs runAs = ::geteuid() == 0 ? RunAs::Nobody : RunAs::Me;
    const CoreResult probe = RunInChild(
        [&] {
            Report report;
            if (::access(folder.c_str(), W_OK | X_OK) != 0)
                report["problem"] = "the test folder " + folder + " is not usable: " + ErrorText(errno);
            const int fd = ::open(path.c_str(), O_RDONLY);
            if (fd >= 0) {
                ::close(fd);
                report["problem"] = "mode 000 does not keep this user from reading the file";
            }
            return report;
        },
        runAs);
    if (probe.child.exited && probe.child.exitCode == 126)
        return "cannot switch to the user nobody (65534) to drop root's right to read any file";
    if (!probe.child.failure.empty()) return probe.child.failure;
    const auto it = probe.report.find("problem");
    return it == probe.report.end() ? std::string() : it->second;
}

// ------------------------------------------------------------- worksheets

Worksheet ReadWorksheet(const std::string& path, bool keepCells) {
    Worksheet sheet;
    const std::string bytes = ReadFile(path);
    std::size_t pos = 0;
    bool first = true, ended = false;
    const auto u8 = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(bytes[i])); };
    while (pos < bytes.size()) {
        if (ended) {
            sheet.problem = "bytes after EOF at offset " + std::to_string(pos);
            return sheet;
        }
        if (bytes.size() - pos < 4) {
            sheet.problem = "a record header is cut at offset " + std::to_string(pos);
            return sheet;
        }
        const unsigned id = u8(pos) | (u8(pos + 1) << 8);
        const std::size_t length = u8(pos + 2) | (u8(pos + 3) << 8);
        if (bytes.size() - pos - 4 < length) {
            sheet.problem = "record " + std::to_string(id) + " at offset " + std::to_string(pos) +
                            " is longer than the file";
            return sheet;
        }
        if (first && id != 0x0009) {
            sheet.problem = "the first record is not BOF";
            return sheet;
        }
        first = false;
        if (id == 0x000A) ended = true;
        if (id == 0x0004) {  // LABEL: row, column, three attribute bytes, length, text
            if (length < 8 || 8 + u8(pos + 4 + 7) != length) {
                sheet.problem = "a LABEL record's text length does not match at offset " +
                                std::to_string(pos);
                return sheet;
            }
            const unsigned row = u8(pos + 4) | (u8(pos + 5) << 8);
            const unsigned column = u8(pos + 6) | (u8(pos + 7) << 8);
            ++sheet.labels;
            if (row > sheet.maxRow) sheet.maxRow = row;
            if (keepCells) sheet.cells[{row, column}] = bytes.substr(pos + 12, length - 8);
        }
        pos += 4 + length;
    }
    if (!ended) sheet.problem = "the file does not end with EOF";
    return sheet;
}

} // namespace tallowby::matrix
