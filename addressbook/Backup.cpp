#include "addressbook/Backup.h"

#include "addressbook/BookFile.h"
#include "addressbook/RunControl.h"

#include <cerrno>
#include <chrono>
#include <new>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace tallowby {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Opens `destination` for a copy of the open file `source`: the new file gets the
// source's permission bits (limited by the umask), and is never the source itself.
std::unique_ptr<files::Output> OpenCopy(int source, const std::string& destination, bool replace,
                                        std::string& problem) {
    struct stat info {};
    if (::fstat(source, &info) != 0) {
        problem = files::ErrorText(errno);
        return nullptr;
    }
    files::OutputOptions options;
    options.mode = info.st_mode & 0666;
    options.protect = files::FileId{info.st_dev, info.st_ino};
    options.replace = replace;
    files::Problem why;
    auto output = files::Output::Open(destination, options, why);
    if (!output) problem = "cannot write " + files::Printable(destination) + ": " + why.reason;
    return output;
}

} // namespace

bool CopyFileTo(const std::string& source, const std::string& destination, bool failIfExists) {
    try {
        if (source.empty() || destination.empty()) return false;
        BookProblem unreadable;
        const FileDescriptor in(OpenBookFile(source, unreadable));
        if (in.get() < 0) return false;
        std::string problem;
        const auto output = OpenCopy(in.get(), destination, !failIfExists, problem);
        files::Problem why;
        return output && output->CopyFrom(in.get(), why) && output->Commit(why);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

std::string BackupPathFor(const std::string& databasePath) {
    const std::string folder = FolderOf(databasePath);
    std::string name = databasePath.substr(folder.size());
    if (name.empty() || name == "." || name == "..") return {};
    const auto stem = name.find_first_not_of('.');  // ".names" has no extension
    const auto dot = name.rfind('.');
    if (stem != std::string::npos && dot != std::string::npos && dot > stem) name.resize(dot);
    return folder + name + ".bak";
}

BackupCopy::BackupCopy(std::string bookPath)
    : bookPath_(std::move(bookPath)), backupPath_(BackupPathFor(bookPath_)) {
    try {
        thread_ = std::thread([this] {
            try {
                Copy();
            } catch (const std::bad_alloc&) {  // nothing may leave a thread
                problem_ = files::ErrorText(ENOMEM);
            }
            finished_ = true;
        });
    } catch (const std::system_error&) {
        Copy();  // no thread to be had: the copy is made here, before the book is read
        finished_ = true;
    }
}

BackupCopy::~BackupCopy() { Discard(); }

void BackupCopy::Copy() {
    if (backupPath_.empty()) {
        problem_ = "the path " + files::Printable(bookPath_) + " names no file";
        return;
    }
    BookProblem unreadable;
    const FileDescriptor in(OpenBookFile(bookPath_, unreadable));
    if (in.get() < 0) {
        problem_ = "cannot read " + files::Printable(bookPath_) + ": " + unreadable.reason;
        return;
    }
    std::string problem;
    auto output = OpenCopy(in.get(), backupPath_, true, problem);
    files::Problem why;
    if (output && !output->CopyFrom(in.get(), why, [this] { return stop_.load(); }))
        problem = "cannot write " + files::Printable(backupPath_) + ": " + why.reason;
    if (problem.empty())
        output_ = std::move(output);
    else
        problem_ = std::move(problem);
}

void BackupCopy::Wait() {
    while (thread_.joinable() && !finished_.load()) {
        ReportProgress(RunStage::Waiting, 0, 0);
        Checkpoint();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (thread_.joinable()) thread_.join();
}

std::string BackupCopy::Commit() {
    Wait();
    if (!problem_.empty()) return problem_;
    files::Problem why;
    if (output_ && !output_->Commit(why))
        return "cannot write " + files::Printable(backupPath_) + ": " + why.reason;
    output_.reset();
    return {};
}

void BackupCopy::Discard() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    output_.reset();  // removes what was written; an earlier backup stays
}

} // namespace tallowby
