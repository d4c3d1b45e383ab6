// The one table from the system's error numbers to words for the person who runs
// the program, and the way paths are shown in messages.
#include "files/Problem.h"

#include <cerrno>
#include <cstring>

namespace tallowby::files {

namespace {

struct Entry {
    int error;
    const char* reason;
    const char* remedy;
};

// The texts the address-book and worksheet messages have always used stay as they
// were: people and scripts know them.
constexpr Entry kTable[] = {
    {ENOSPC, "the disk is full", "Free some space on the disk, or choose another folder, then try again."},
    {EDQUOT, "the disk quota is used up", "Free some of your space on the disk, or choose another folder, then try again."},
    {EFBIG, "the file would be larger than the file size limit allows",
     "Raise the file size limit (ulimit -f), or choose a disk that allows larger files."},
    {EROFS, "the disk is read-only", "Choose a folder on a disk that can be written."},
    {EACCES, "permission was denied", "Check the permissions of the file and its folder, or choose another folder."},
    {EPERM, "permission was denied", "Check the permissions of the file and its folder, or choose another folder."},
    {ENOENT, "it does not exist", "Check the path."},
    {ENOTDIR, "a part of its path is not a folder", "Check the path."},
    {EISDIR, "it is a folder", "Choose a file name, not a folder."},
    {ENAMETOOLONG, "the name is too long", "Choose a shorter name, or a folder with a shorter path."},
    {ELOOP, "it leads through too many symbolic links", "Check where the symbolic links lead; they may form a loop."},
    {EEXIST, "it exists already", "Choose another name, or remove the file first."},
    {EIO, "the disk reported an input/output error",
     "Check the disk (or the network connection to it), then try again."},
    {ECANCELED, "the work was stopped", ""},
    {ENOMEM, "there is not enough memory", "Close other programs, then try again."},
    {EMFILE, "too many files are open", "Close other programs, then try again."},
    {ENFILE, "too many files are open", "Close other programs, then try again."},
    {EPIPE, "the program reading the output has ended", "Check the program the output goes to."},
    {ETXTBSY, "it is a program that is running", "Choose another file name."},
};

const Entry* Find(int error) {
    for (const Entry& entry : kTable)
        if (entry.error == error) return &entry;
    return nullptr;
}

// 0 when the byte at text[i] does not start a well-formed UTF-8 sequence (overlong
// forms, surrogates and values above U+10FFFF included), else its length.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0u; };
    const unsigned lead = byte(0);
    const auto cont = [&](std::size_t k, unsigned lo = 0x80, unsigned hi = 0xBF) {
        return byte(k) >= lo && byte(k) <= hi;
    };
    if (lead >= 0xC2 && lead <= 0xDF) return cont(1) ? 2 : 0;
    if (lead == 0xE0) return cont(1, 0xA0) && cont(2) ? 3 : 0;
    if (lead == 0xED) return cont(1, 0x80, 0x9F) && cont(2) ? 3 : 0;
    if (lead >= 0xE1 && lead <= 0xEF) return cont(1) && cont(2) ? 3 : 0;
    if (lead == 0xF0) return cont(1, 0x90) && cont(2) && cont(3) ? 4 : 0;
    if (lead >= 0xF1 && lead <= 0xF3) return cont(1) && cont(2) && cont(3) ? 4 : 0;
    if (lead == 0xF4) return cont(1, 0x80, 0x8F) && cont(2) && cont(3) ? 4 : 0;
    return 0;
}

void Octal(std::string& out, unsigned char byte) {
    out += '\\';
    out += static_cast<char>('0' + (byte >> 6));
    out += static_cast<char>('0' + ((byte >> 3) & 7));
    out += static_cast<char>('0' + (byte & 7));
}

// Writes `text` to `out` with its control characters escaped; true when any was.
// A byte that is not part of well-formed UTF-8 is escaped too: a terminal that reads
// bytes as Latin-1 takes a lone 0x9B for the C1 escape CSI.
bool Render(std::string_view text, bool doubleBackslash, std::string& out) {
    bool escaped = false;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            escaped = true;
            if (c == '\n') out += "\\n";
            else if (c == '\t') out += "\\t";
            else if (c == '\r') out += "\\r";
            else Octal(out, c);
            ++i;
        } else if (c == '\\') {
            out += doubleBackslash ? "\\\\" : "\\";
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (const std::size_t length = Utf8Length(text, i); length == 0) {
            escaped = true;
            Octal(out, c);
            ++i;
        } else if (c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {  // U+0080..U+009F
            escaped = true;
            Octal(out, c);
            Octal(out, static_cast<unsigned char>(text[i + 1]));
            i += 2;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return escaped;
}

} // namespace

std::string ErrorText(int error) {
    if (const Entry* entry = Find(error)) return entry->reason;
    std::string text = std::strerror(error);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

Problem FromErrno(int error) {
    const Entry* entry = Find(error);
    return {ErrorText(error), entry ? entry->remedy : "", error};
}

std::string Printable(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    if (!Render(path, false, out)) return out;
    out.clear();
    Render(path, true, out);
    return out;
}

} // namespace tallowby::files
