// Reading a DXL address book with expat, in one streaming pass: the parser, its
// safety settings, feeding it the file (mapped, in one call; else in pieces), and
// what a failed read says. The elements themselves are DxlContent's business.
//
// No DTD or external entity is ever loaded; a file that declares entities, refers
// to an external one or uses an undefined one is refused.
#include "addressbook/BookFile.h"
#include "addressbook/BookMapping.h"
#include "addressbook/DxlBook.h"
#include "addressbook/DxlContent.h"
#include "addressbook/RunControl.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <memory>
#include <type_traits>

#include <sys/stat.h>
#include <unistd.h>

namespace tallowby {

namespace {

constexpr const char* kExportAgain =
    "Export the address book from Notes again: a DXL export declares no entities.";

void XMLCALL OnEntityDecl(void* data, const XML_Char* entityName, int, const XML_Char*, int, const XML_Char*,
                          const XML_Char*, const XML_Char*, const XML_Char*) {
    DxlContent::Guarded(data, [&](DxlContent& content) {
        content.Refuse({std::string("it declares entities (\"") + entityName + "\" first), refused for safety",
                        kExportAgain});
    });
}

void XMLCALL OnSkippedEntity(void* data, const XML_Char* entityName, int) {
    DxlContent::Guarded(data, [&](DxlContent& content) {
        content.Refuse({std::string("it uses the undefined entity \"") + entityName + "\"", kExportAsDxl});
    });
}

int XMLCALL OnExternalEntityRef(XML_Parser parser, const XML_Char*, const XML_Char*, const XML_Char*,
                                const XML_Char*) {
    // Failing here fails the parse by itself.
    DxlContent::Guarded(XML_GetUserData(parser), [&](DxlContent& content) {
        content.Refuse({"it refers to an external entity, never loaded, refused for safety", kExportAgain}, false);
    });
    return XML_STATUS_ERROR;
}

// Says that the book cannot be read, and why.
[[noreturn]] void CannotRead(const std::string& name, const BookProblem& problem) {
    throw NotesError("Cannot open \"" + name + "\" as a Notes address book: " + problem.reason + ". " +
                         problem.remedy,
                     problem);
}

// Expat reads UTF-8, UTF-16, ISO-8859-1 and US-ASCII; a UTF-32 file (by its byte
// order mark, or "<" as four bytes) would only get "invalid token" at its first byte.
void RefuseUtf32(const std::string& name, std::string_view head) {
    static constexpr std::string_view kHeads[] = {std::string_view("\0\0\xFE\xFF", 4),
                                                  std::string_view("\xFF\xFE\0\0", 4),
                                                  std::string_view("\0\0\0<", 4), std::string_view("<\0\0\0", 4)};
    for (const std::string_view utf32 : kHeads)
        if (head.starts_with(utf32))
            CannotRead(name, {"it is encoded in UTF-32, which cannot be read",
                              "Save it as UTF-8 or UTF-16 (as Notes exports DXL) and choose that file."});
}

} // namespace

class DxlReader {
public:
    explicit DxlReader(std::string name)
        : name_(std::move(name)), book_(new DxlBook),
          parserOwner_(XML_ParserCreate_MM(nullptr, BookMapping::MemorySuite(), kSeparator)),
          parser_(parserOwner_.get()) {
        if (parser_ == nullptr) throw std::bad_alloc();
        content_ = std::make_unique<DxlContent>(parser_, book_->title_, book_->names_, book_->persons_,
                                                book_->groups_);
        XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
        XML_SetEntityDeclHandler(parser_, &OnEntityDecl);
        XML_SetSkippedEntityHandler(parser_, &OnSkippedEntity);
        XML_SetExternalEntityRefHandler(parser_, &OnExternalEntityRef);
    }
    DxlReader(const DxlReader&) = delete;
    DxlReader& operator=(const DxlReader&) = delete;

    static constexpr std::size_t kChunk = 256 * 1024;

    // The whole file in one final parse, from its mapped pages. The run's checkpoints
    // and the reading's progress come from inside the parse, every kChunk bytes or
    // so. Null when the parser would not take the mapping; nothing is parsed then.
    std::shared_ptr<const DxlBook> ReadMapped(BookMapping& mapping) {
        if (!mapping.BecomeInputOf(parser_)) return nullptr;
        content_->SetPace([this, &mapping] { Pace(mapping); });
        const XML_Status status = XML_ParseBuffer(parser_, static_cast<int>(mapping.size()), XML_TRUE);
        if (interruption_) std::rethrow_exception(interruption_);
        if (mapping.lostPages())
            Fail({"the file became shorter, or could not be read, while it was being read",
                  "Make sure that nothing else writes to the file, then try again."});
        if (status != XML_STATUS_OK) FailFromParser();
        Checkpoint();
        ReportReading(mapping.size(), mapping.size());
        return Finish();
    }

    // The file in pieces through read(), for a file that cannot be mapped. The run can
    // be stopped between pieces and hears how far the reading has come.
    std::shared_ptr<const DxlBook> ReadPieces(int fd, std::uint64_t total) {
        std::uint64_t done = 0;
        for (bool first = true;; first = false) {
            Checkpoint();
            void* buffer = XML_GetBuffer(parser_, static_cast<int>(kChunk));
            if (buffer == nullptr) Fail(MemoryProblem());
            ssize_t n;
            do {
                n = ::read(fd, buffer, kChunk);
            } while (n < 0 && errno == EINTR);
            if (n < 0) Fail({"the file cannot be read: " + files::ErrorText(errno), kExportAsDxl});
            if (n == 0 && first) Fail({"the file is empty", kExportAsDxl});
            if (XML_ParseBuffer(parser_, static_cast<int>(n), n == 0) != XML_STATUS_OK) FailFromParser();
            if (n == 0) break;
            done += static_cast<std::uint64_t>(n);
            ReportReading(done, total);
        }
        return Finish();
    }

    std::shared_ptr<const DxlBook> ReadBuffer(std::string_view bytes) {
        if (bytes.empty()) Fail({"the file is empty", kExportAsDxl});
        RefuseUtf32(name_, bytes.substr(0, 4));
        while (!bytes.empty()) {
            const std::size_t n = std::min(bytes.size(), kChunk);
            if (XML_Parse(parser_, bytes.data(), static_cast<int>(n), XML_FALSE) != XML_STATUS_OK)
                FailFromParser();
            bytes.remove_prefix(n);
        }
        if (XML_Parse(parser_, nullptr, 0, XML_TRUE) != XML_STATUS_OK) FailFromParser();
        return Finish();
    }

private:
    static constexpr XML_Char kSeparator[] = {kDxlNameSeparator, '\0'};

    // From inside the parse: a checkpoint and the progress at most every kChunk bytes,
    // and the pages parsed are given back. A stop, or any failure, stops the parser;
    // ReadMapped passes it on once expat has returned.
    void Pace(BookMapping& mapping) {
        const XML_Index at = XML_GetCurrentByteIndex(parser_);
        if (interruption_ || at < 0 || static_cast<std::uint64_t>(at) < nextPace_) return;
        nextPace_ = static_cast<std::uint64_t>(at) + kChunk;
        try {
            Checkpoint();
            ReportReading(static_cast<std::uint64_t>(at), mapping.size());
        } catch (...) {
            interruption_ = std::current_exception();
            XML_StopParser(parser_, XML_FALSE);
            return;
        }
        mapping.Parsed(static_cast<std::uint64_t>(at));
    }

    [[noreturn]] void Fail(const BookProblem& problem) { CannotRead(name_, problem); }

    [[noreturn]] void FailFromParser() {
        const XML_Error code = XML_GetErrorCode(parser_);
        if (content_->outOfMemory() || code == XML_ERROR_NO_MEMORY) Fail(MemoryProblem());
        if (content_->stopped()) Fail(content_->refusal());
        std::string what = XML_ErrorString(code) ? XML_ErrorString(code) : "parse error";
        if (what.starts_with("not well-formed (") && what.ends_with(")"))
            what = what.substr(17, what.size() - 18);  // "not well-formed (invalid token)"
        if (code == XML_ERROR_UNKNOWN_ENCODING)
            what += ": UTF-8, UTF-16, ISO-8859-1 and US-ASCII can be read";
        else if (code == XML_ERROR_INVALID_TOKEN && AtByteAboveAscii())
            what = "a character that is not valid there: was the file saved in another encoding?";
        Fail({"it is not well-formed XML at line " + std::to_string(XML_GetCurrentLineNumber(parser_)) +
                  ", column " + std::to_string(XML_GetCurrentColumnNumber(parser_)) + " (" + what + ")",
              kExportAsDxl});
    }

    // The parser stopped at a byte outside ASCII: in a file that claims UTF-8, most
    // likely text saved in another encoding (Windows-1252, Latin-1).
    bool AtByteAboveAscii() const {
        int offset = 0, size = 0;
        const char* context = XML_GetInputContext(parser_, &offset, &size);
        return context != nullptr && offset >= 0 && offset < size &&
               static_cast<unsigned char>(context[offset]) >= 0x80;
    }

    std::shared_ptr<const DxlBook> Finish() {
        if (content_->stopped()) FailFromParser();
        book_->persons_.SortIntoViewOrder();
        book_->groups_.SortIntoViewOrder();
        return std::shared_ptr<const DxlBook>(std::move(book_));
    }

    std::string name_;
    std::unique_ptr<DxlBook> book_;
    struct ParserFree {
        void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
    };
    std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserFree> parserOwner_;
    XML_Parser parser_;
    std::unique_ptr<DxlContent> content_;
    std::uint64_t nextPace_ = kChunk;
    std::exception_ptr interruption_;
};

std::shared_ptr<const DxlBook> DxlBook::ReadFile(const std::string& path) {
    BookProblem problem;
    const int fd = OpenBookFile(path, problem);
    if (fd < 0) CannotRead(path, problem);
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    const std::uint64_t size =
        ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    char head[4];
    const ssize_t got = ::pread(fd, head, sizeof head, 0);
    if (got > 0) RefuseUtf32(path, std::string_view(head, static_cast<std::size_t>(got)));
    Checkpoint();
    {
        // The parser goes before the mapping that is its buffer.
        BookMapping mapping(fd, size);
        if (mapping.mapped()) {
            if (auto book = DxlReader(path).ReadMapped(mapping)) return book;
        }
    }
    return DxlReader(path).ReadPieces(fd, size);
}

std::shared_ptr<const DxlBook> DxlBook::ReadBuffer(std::string_view bytes, const std::string& name) {
    return DxlReader(name).ReadBuffer(bytes);
}

} // namespace tallowby
