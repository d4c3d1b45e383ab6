#include "export/ExportNames.h"
#include "addressbook/AsciiCase.h"

#include <climits>
#include <cstdlib>

#include <sys/stat.h>

namespace tallowby {

namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder part resolved through realpath, then the name: two spellings of the
// same place ("./a/../b.xls" and "b.xls") give the same text. Empty when the folder
// does not exist.
std::string CanonicalPath(const std::string& path) {
    std::string folder = FolderOf(path);
    if (folder.empty()) folder = ".";
    char resolved[PATH_MAX];
    if (::realpath(folder.c_str(), resolved) == nullptr) return std::string();
    std::string result = resolved;
    if (result != "/") result += '/';
    return result + NameOf(path);
}

} // namespace

std::string OutputPathFor(const std::string& databasePath, ExportFormat format, ExportLayout layout) {
    // Only the file name changes: the folders are taken as they are (on Linux their
    // names are case-sensitive). Lower-casing covers the ASCII letters; other
    // characters are kept as they are, since changing them would depend on the
    // locale and could make two different names one.
    std::string name = FoldedAscii(NameOf(databasePath));
    const auto stem = name.find_first_not_of('.');  // ".hidden" has no extension
    const auto dot = name.rfind('.');
    if (stem != std::string::npos && dot != std::string::npos && dot > stem) name.resize(dot);
    if (format != ExportFormat::Vcf && layout != ExportLayout::Classic) name += "-" + std::string(LayoutName(layout));
    return FolderOf(databasePath) + name + std::string(FormatExtension(format));
}

bool IsSameFile(const std::string& target, const std::string& database) {
    if (target == database) return true;
    struct stat a {}, b {};
    if (::stat(target.c_str(), &a) == 0 && ::stat(database.c_str(), &b) == 0)
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    const std::string ca = CanonicalPath(target);
    return !ca.empty() && ca == CanonicalPath(database);
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsStandardOutput(const std::string& path) {
    return path == "-" || path == "/dev/stdout" || path == "/dev/fd/1" || path == "/proc/self/fd/1";
}

} // namespace tallowby
