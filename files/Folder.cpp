// Finding the place an output goes. The folder of the path is opened once and every
// later look is relative to it, so that a folder renamed or swapped meanwhile cannot
// send the file elsewhere. Links inside the folder part are the user's own path and
// the kernel follows them; the link at the name itself is read and followed here,
// one step at a time, so that the shared-folder rule can be applied at each step.
#include "files/Folder.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace tallowby::files::detail {

namespace {

constexpr int kMaxLinks = 40;  // as the kernel allows in one path

Problem RefusedLink(const std::string& owner) {
    return {"it is a symbolic link of another user in a shared folder (the link belongs to " + owner +
                "), which is not followed",
            "Remove the link, or choose another file name.", 0};
}

// "dir/", ".", "..": a folder, whatever the folder part holds (as the shell says).
bool NamesAFolder(const std::string& name, Problem& problem) {
    if (!name.empty() && name != "." && name != "..") return false;
    problem = FromErrno(EISDIR);
    return true;
}

} // namespace

void SplitPath(const std::string& path, std::string& folder, std::string& name) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        folder.clear();
        name = path;
        return;
    }
    folder = slash == 0 ? "/" : path.substr(0, slash);
    name = path.substr(slash + 1);
}

bool IsShared(const struct stat& folder) { return (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH); }

bool MayUse(const struct stat& folder, uid_t owner) {
    return !IsShared(folder) || owner == ::geteuid() || owner == folder.st_uid;
}

std::string OwnerText(uid_t owner) {
    std::vector<char> buffer(16384);
    struct passwd entry {}, *found = nullptr;
    const std::string number = "uid " + std::to_string(owner);
    if (::getpwuid_r(owner, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return number;
    return std::string(found->pw_name) + " (" + number + ")";
}

std::string KindText(mode_t mode) {
    if (S_ISLNK(mode)) return "a symbolic link";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISSOCK(mode)) return "a socket";
    return "a file";
}

Problem FolderProblem(int error, const std::string& subject, bool writing) {
    const bool main = subject == "the folder";
    switch (error) {
    case ENOENT:
        return {subject + " does not exist",
                main ? "Create the folder first, or choose another one." : "Create it, or choose another one.", error};
    case ENOTDIR:
        return {subject + " is not a folder (or a part of its path is not)", "Check the path.", error};
    case EACCES:
    case EPERM:
        return {subject + (writing ? " may not be written" : " may not be entered") + " (permission was denied)",
                "Choose another folder, or ask for permission to write in this one.", error};
    default: {
        Problem problem = FromErrno(error);
        if (!main) problem.reason += " (" + subject + ")";
        return problem;
    }
    }
}

bool OpenFolder(int base, const std::string& folderText, const std::string& subject, Place& place, Problem& problem) {
    const char* folder = folderText.empty() ? "." : folderText.c_str();
    place.folder.reset(::openat(base, folder, O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!place.folder || ::fstat(place.folder.get(), &place.folderInfo) != 0) {
        problem = FolderProblem(errno, subject, false);
        return false;
    }
    return true;
}

bool FindPlace(const std::string& path, Place& place, Problem& problem) {
    SplitPath(path, place.folderText, place.name);
    if (NamesAFolder(place.name, problem) || !OpenFolder(AT_FDCWD, place.folderText, "the folder", place, problem))
        return false;
    for (int links = 0;; ++links) {
        if (NamesAFolder(place.name, problem)) return false;
        if (::fstatat(place.folder.get(), place.name.c_str(), &place.info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) {
                problem = FromErrno(errno);
                return false;
            }
            place.exists = false;
            return true;
        }
        if (!S_ISLNK(place.info.st_mode)) {
            place.exists = true;
            return true;
        }
        if (!MayUse(place.folderInfo, place.info.st_uid)) {
            problem = RefusedLink(OwnerText(place.info.st_uid));
            return false;
        }
        if (links == kMaxLinks) {
            problem = FromErrno(ELOOP);
            return false;
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlinkat(place.folder.get(), place.name.c_str(), target.data(), target.size());
        if (length < 0) {
            problem = FromErrno(errno);
            return false;
        }
        target.resize(static_cast<std::size_t>(length));
        // A relative target is read from the link's own folder: its descriptor is the
        // base, whatever the folder is called by now.
        std::string targetFolder, targetName;
        SplitPath(target, targetFolder, targetName);
        const bool absolute = !target.empty() && target[0] == '/';
        std::string nextText = absolute ? targetFolder
                               : targetFolder.empty() ? place.folderText
                               : place.folderText.empty() ? targetFolder
                                                          : Place::JoinPath(place.folderText, targetFolder);
        if (!targetFolder.empty()) {
            Place next;
            const std::string subject = "the folder of the link's target " + Printable(target);
            if (!OpenFolder(absolute ? AT_FDCWD : place.folder.get(), targetFolder, subject, next, problem))
                return false;
            place.folder = std::move(next.folder);
            place.folderInfo = next.folderInfo;
        }
        place.folderText = std::move(nextText);
        place.name = std::move(targetName);
    }
}

bool CheckFolderWritable(const Place& place, const std::string& subject, Problem& problem) {
    if (::faccessat(place.folder.get(), ".", W_OK | X_OK, AT_EACCESS) == 0) return true;
    problem = FolderProblem(errno, subject, true);
    return false;
}

mode_t CurrentUmask() {
    // Linux 4.7 and later show it in /proc/self/status; umask() can only be read by
    // setting it, which a thread creating a file at that moment would feel.
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        char text[4096];
        ssize_t got = ::read(fd, text, sizeof text - 1);
        ::close(fd);
        if (got > 0) {
            text[got] = '\0';
            if (const char* line = std::strstr(text, "\nUmask:")) {
                char* end = nullptr;
                const unsigned long mask = std::strtoul(line + 7, &end, 8);
                if (end != line + 7) return static_cast<mode_t>(mask & 0777);
            }
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

} // namespace tallowby::files::detail
