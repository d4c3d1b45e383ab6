// Reading a DXL address book with expat, in one streaming pass: the parser, its
// safety settings, feeding it the file (mapped, in one call; a large file in two parts
// at once; else in pieces), and what a failed read says. The elements themselves are
// DxlContent's business.
//
// No DTD or external entity is ever loaded; a file that declares entities, refers
// to an external one or uses an undefined one is refused.
#include "addressbook/BookFile.h"
#include "addressbook/BookMapping.h"
#include "addressbook/DxlBook.h"
#include "addressbook/DxlContent.h"
#include "addressbook/DxlSplit.h"
#include "addressbook/RunControl.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <type_traits>

#include <sched.h>
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

    // Hears how far the parse has come (a byte offset of the buffer); may throw to
    // stop it.
    using Pacer = std::function<void(std::uint64_t at)>;

    // Parses the mapped buffer in one final call, from its pages. The pacer runs from
    // inside the parse, every kChunk bytes or so. None when the parser would not take
    // the mapping; nothing is parsed then.
    std::optional<XML_Status> ParseMapped(BookMapping& mapping, Pacer pacer) {
        if (!mapping.BecomeInputOf(parser_)) return std::nullopt;
        content_->SetPace([this, &mapping, pacer = std::move(pacer)] { Pace(mapping, pacer); });
        return XML_ParseBuffer(parser_, static_cast<int>(mapping.size()), XML_TRUE);
    }

    // The whole file from its mapped pages; the run's checkpoints and the reading's
    // progress come from inside the parse. Null when the parser would not take the
    // mapping.
    std::shared_ptr<const DxlBook> ReadMapped(BookMapping& mapping) {
        const std::optional<XML_Status> status = ParseMapped(mapping, [&mapping](std::uint64_t at) {
            Checkpoint();
            ReportReading(at, mapping.size());
        });
        if (!status) return nullptr;
        if (interruption_) std::rethrow_exception(interruption_);
        if (mapping.lostPages()) Fail(ShortenedProblem());
        if (*status != XML_STATUS_OK) FailFromParser();
        Checkpoint();
        ReportReading(mapping.size(), mapping.size());
        return Finish();
    }

    // A large file in two parts at once, cut at `split`: this thread reads the first,
    // another the second, and the second part's documents, names and counts then join
    // the first's. Null when the parts cannot be mapped or read, or either is not
    // well-formed: the file is then best read whole, which also says what is wrong
    // with it as a reading from the start would.
    static std::shared_ptr<const DxlBook> ReadInTwoParts(const std::string& path, int fd, std::uint64_t size,
                                                         const DxlSplit& split);

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

    // From inside the parse: the pacer at most every kChunk bytes, and the pages parsed
    // are given back. A stop, or any failure, stops the parser; the reading passes it
    // on once expat has returned.
    void Pace(BookMapping& mapping, const Pacer& pacer) {
        const XML_Index at = XML_GetCurrentByteIndex(parser_);
        if (interruption_ || at < 0 || static_cast<std::uint64_t>(at) < nextPace_) return;
        nextPace_ = static_cast<std::uint64_t>(at) + kChunk;
        try {
            pacer(static_cast<std::uint64_t>(at));
        } catch (...) {
            interruption_ = std::current_exception();
            XML_StopParser(parser_, XML_FALSE);
            return;
        }
        mapping.Parsed(static_cast<std::uint64_t>(at));
    }

    [[noreturn]] void Fail(const BookProblem& problem) { CannotRead(name_, problem); }

    static BookProblem ShortenedProblem() {
        return {"the file became shorter, or could not be read, while it was being read",
                "Make sure that nothing else writes to the file, then try again."};
    }

    // Parsed to the end, nothing refused, nothing stopped.
    bool Whole(std::optional<XML_Status> status) const {
        return status == XML_STATUS_OK && !interruption_ && !content_->stopped();
    }

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

std::shared_ptr<const DxlBook> DxlReader::ReadInTwoParts(const std::string& path, int fd, std::uint64_t size,
                                                          const DxlSplit& split) {
    BookMapping first(fd, size, 0, split.at, {}, split.closing);
    BookMapping second(fd, size, split.at, size, split.head, {});
    if (!first.mapped() || !second.mapped()) return nullptr;
    DxlReader earlier(path), later(path);

    // The second part is read on a thread of its own, which only hears whether to give
    // up; the run's checkpoints and progress are this thread's.
    struct GiveUp {};
    std::atomic<bool> giveUp{false};
    std::atomic<std::uint64_t> laterAt{0};
    std::optional<XML_Status> laterStatus;
    std::thread worker;
    try {
        worker = std::thread([&]() noexcept {
            try {
                laterStatus = later.ParseMapped(second, [&](std::uint64_t at) {
                    if (giveUp.load(std::memory_order_relaxed)) throw GiveUp{};
                    laterAt.store(at, std::memory_order_relaxed);
                });
            } catch (const std::bad_alloc&) {
                laterStatus.reset();
            }
        });
    } catch (const std::system_error&) {
        return nullptr;  // no thread to be had: one part after the other, as ever
    }
    struct Joiner {
        std::thread& worker;
        std::atomic<bool>& giveUp;
        ~Joiner() {  // on the way out with an exception
            giveUp.store(true);
            if (worker.joinable()) worker.join();
        }
    } joiner{worker, giveUp};

    const std::uint64_t head = split.head.size();
    const std::optional<XML_Status> earlierStatus = earlier.ParseMapped(first, [&](std::uint64_t at) {
        Checkpoint();
        const std::uint64_t more = laterAt.load(std::memory_order_relaxed);
        ReportReading(std::min(at, split.at) + (more > head ? more - head : 0), size);
    });
    if (!earlier.Whole(earlierStatus)) giveUp.store(true);
    worker.join();
    if (earlier.interruption_) std::rethrow_exception(earlier.interruption_);
    if (first.lostPages() || second.lostPages()) earlier.Fail(ShortenedProblem());
    if (!earlier.Whole(earlierStatus) || !later.Whole(laterStatus)) return nullptr;

    DxlBook& book = *earlier.book_;
    const std::vector<std::uint32_t> numbers = book.names_.Merge(later.book_->names_);
    book.persons_.Append(std::move(later.book_->persons_), numbers);
    book.groups_.Append(std::move(later.book_->groups_), numbers);
    book.parts_ = 2;
    Checkpoint();
    ReportReading(size, size);
    return earlier.Finish();
}

namespace {

// The processors this program may run on.
int ProcessorsAvailable() {
    cpu_set_t set;
    CPU_ZERO(&set);
    return ::sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : 1;
}

} // namespace

std::shared_ptr<const DxlBook> DxlBook::ReadFile(const std::string& path) {
    static const std::uint64_t from = ProcessorsAvailable() > 1 ? kTwoPartsFrom : UINT64_MAX;
    return ReadFile(path, from);
}

std::shared_ptr<const DxlBook> DxlBook::ReadFile(const std::string& path, std::uint64_t twoPartsFrom) {
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
    if (size >= twoPartsFrom) {
        if (const std::optional<DxlSplit> split = FindDxlSplit(fd, size)) {
            if (auto book = DxlReader::ReadInTwoParts(path, fd, size, *split)) return book;
        }
    }
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
