#include "addressbook/DxlSplit.h"

#include <expat.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>
#include <type_traits>

#include <unistd.h>

namespace tallowby {

namespace {

constexpr std::size_t kHeadBytes = 64 * 1024;     // the root's start tag must end within these
constexpr std::size_t kWindowBytes = 8 << 20;     // the cut is looked for this far past the middle,
constexpr std::size_t kPieceBytes = 64 * 1024;    // read in pieces of this size
constexpr std::size_t kOverlapBytes = 256;        // overlapping by this much

std::string ReadAt(int fd, std::uint64_t offset, std::size_t length) {
    std::string bytes(length, '\0');
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, bytes.data() + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

// The end offset of the root's start tag, found by a parser without namespaces that
// stops there. Zero when the head holds no whole start tag of the root, or declares
// entities (the whole read refuses those).
struct RootProbe {
    XML_Parser parser;
    std::uint64_t end = 0;
    bool entities = false;
};

void XMLCALL OnRootStart(void* data, const XML_Char*, const XML_Char**) {
    auto* probe = static_cast<RootProbe*>(data);
    const XML_Index at = XML_GetCurrentByteIndex(probe->parser);
    const int count = XML_GetCurrentByteCount(probe->parser);
    if (at >= 0 && count > 0) probe->end = static_cast<std::uint64_t>(at) + static_cast<std::uint64_t>(count);
    XML_StopParser(probe->parser, XML_FALSE);
}

void XMLCALL OnEntity(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*, const XML_Char*,
                      const XML_Char*, const XML_Char*) {
    auto* probe = static_cast<RootProbe*>(data);
    probe->entities = true;
    XML_StopParser(probe->parser, XML_FALSE);
}

std::uint64_t RootStartEnd(std::string_view head) {
    struct ParserFree {
        void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
    };
    const std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserFree> owner(XML_ParserCreate(nullptr));
    if (!owner) return 0;
    RootProbe probe{owner.get()};
    XML_SetUserData(probe.parser, &probe);
    XML_SetStartElementHandler(probe.parser, &OnRootStart);
    XML_SetEntityDeclHandler(probe.parser, &OnEntity);
    XML_SetParamEntityParsing(probe.parser, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_Parse(probe.parser, head.data(), static_cast<int>(head.size()), XML_FALSE);
    return probe.entities ? 0 : probe.end;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// In `window`, the offset of an element's "<" that follows "</document>" or "</note>"
// and white space; npos when there is none.
std::size_t CutIn(std::string_view window) {
    std::size_t from = 0;
    while (true) {
        const std::size_t end = window.find("</", from);
        if (end == std::string_view::npos) return end;
        from = end + 2;
        std::string_view rest = window.substr(from);
        std::size_t length;
        if (rest.starts_with("document>")) length = 9;
        else if (rest.starts_with("note>")) length = 5;
        else continue;
        std::size_t i = from + length;
        while (i < window.size() && IsSpace(window[i])) ++i;
        if (i + 1 < window.size() && window[i] == '<' && window[i + 1] != '/' && window[i + 1] != '!' &&
            window[i + 1] != '?')
            return i;
    }
}

} // namespace

std::optional<DxlSplit> FindDxlSplit(int fd, std::uint64_t size) {
    if (size < 2 * kHeadBytes) return std::nullopt;
    const std::string head = ReadAt(fd, 0, kHeadBytes);
    // UTF-16 (the search below is for ASCII bytes), or a file that is no XML at all.
    if (head.size() < kHeadBytes || head.find('\0') != std::string::npos) return std::nullopt;
    const std::uint64_t rootEnd = RootStartEnd(head);
    if (rootEnd < 2 || head[rootEnd - 2] == '/') return std::nullopt;  // none, or <database/>
    // The root's name, as its start tag spells it.
    std::size_t open = head.rfind('<', rootEnd - 1);
    if (open == std::string::npos) return std::nullopt;
    std::size_t nameEnd = open + 1;
    while (nameEnd < rootEnd && !IsSpace(head[nameEnd]) && head[nameEnd] != '>' && head[nameEnd] != '/') ++nameEnd;
    if (nameEnd == open + 1) return std::nullopt;

    // The stretch after the middle is read a piece at a time: the cut mostly lies
    // within the first few kilobytes. Pieces overlap, so that no boundary hides one.
    const std::uint64_t middle = std::max<std::uint64_t>(size / 2, rootEnd);
    const std::uint64_t last = std::min<std::uint64_t>(size, middle + kWindowBytes);
    std::uint64_t at = 0;
    for (std::uint64_t from = middle; from < last && at == 0; from += kPieceBytes - kOverlapBytes) {
        const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(kPieceBytes, last - from));
        const std::string piece = ReadAt(fd, from, length);
        if (const std::size_t cut = CutIn(piece); cut != std::string_view::npos) at = from + cut;
        if (piece.size() < kPieceBytes) break;
    }
    if (at == 0) return std::nullopt;
    DxlSplit split;
    split.head = head.substr(0, rootEnd);
    split.closing = "</" + head.substr(open + 1, nameEnd - open - 1) + ">";
    split.at = at;
    if (split.at <= rootEnd || split.at + split.closing.size() > size) return std::nullopt;
    return split;
}

} // namespace tallowby
