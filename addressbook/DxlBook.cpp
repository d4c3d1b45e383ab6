// Reading a DXL address book with expat, in one streaming pass.
//
// The reader is a small state machine over the element nesting that DXL uses:
//   database > document | note[class=document] > noteinfo | item > value
// where a value is text, number, datetime, one of the lists of these, or richtext.
// Everything else (design notes, noteinfo's dates, unwanted items, binary data) is
// stepped over by swapping in handlers that only count nesting depth, so expat
// does almost all the work and the reader sees few callbacks. Character data is
// only delivered while a wanted value is open.
//
// Per document the wanted items are gathered in scratch buffers that are reused
// from one document to the next. At the end of a person document they are encoded
// into one compact byte record in an arena:
//   varint unidLength, unid, varint noteidLength, noteid, u8 itemCount,
//   per item: u8 keptIndex, varint valueCount, per value: u8 kind, payload
// with payload: text = varint length + UTF-8 bytes; number = 8 bytes (double);
// date-time = 8 bytes (year u16, month, day, hour, minute, second, hasTime).
#include "addressbook/DxlBook.h"

#include <expat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <numeric>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowby {

namespace {

// ---------------------------------------------------------------------------
// The kept items: the contact record's 42 items in record order, then Type and
// Form (which decide whether a document is a person).

constexpr std::array<std::string_view, kDxlKeptItemCount> kKeptItems = {
    "FirstName", "MiddleInitial", "LastName", "Suffix", "Title", "MailAddress",
    "CompanyName", "JobTitle", "OfficeStreetAddress", "OfficeCity", "OfficeZip",
    "OfficeState", "OfficeCountry", "Location", "WebSite", "Department", "Manager",
    "Assistant", "OfficePhoneNumber", "OfficeFAXPhoneNumber", "CellPhoneNumber",
    "PhoneNumber_6", "MiscPhone1", "MiscPhone2", "MiscPhone3", "StreetAddress", "City",
    "Zip", "State", "Country", "Spouse", "Children", "PhoneNumber", "HomeFAXPhoneNumber",
    "PersPager", "Birthday", "Anniversary", "Comment", "ShortName", "AltFullNameSort",
    "MailDomain", "Categories", "Type", "Form"};

constexpr int kFirstNameItem = 0;
constexpr int kLastNameItem = 2;
constexpr int kTypeItem = 42;
constexpr int kFormItem = 43;

constexpr unsigned char AsciiLower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

constexpr std::uint32_t FoldedHash(std::string_view s) {
    std::uint32_t h = 2166136261u;
    for (const char c : s) h = (h ^ AsciiLower(static_cast<unsigned char>(c))) * 16777619u;
    return h;
}

constexpr std::size_t kItemSlots = 256;  // open addressing, load below 0.2

constexpr std::array<std::uint8_t, kItemSlots> MakeItemSlots() {
    std::array<std::uint8_t, kItemSlots> slots{};
    for (auto& s : slots) s = 0xFF;
    for (std::size_t i = 0; i < kKeptItems.size(); ++i) {
        std::size_t slot = FoldedHash(kKeptItems[i]) % kItemSlots;
        while (slots[slot] != 0xFF) slot = (slot + 1) % kItemSlots;
        slots[slot] = static_cast<std::uint8_t>(i);
    }
    return slots;
}

constexpr std::array<std::uint8_t, kItemSlots> kItemSlotTable = MakeItemSlots();

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    if (std::memcmp(a.data(), b.data(), a.size()) == 0) return true;  // the usual spelling
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(static_cast<unsigned char>(a[i])) !=
            AsciiLower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Sort keys: names folded to lower case, ASCII and the Latin, Greek and Cyrillic
// letters of the two-byte UTF-8 range, so "émile" and "Émile" sort together.

std::uint32_t FoldCodePoint(std::uint32_t cp) {
    // Latin-1 and basic Greek and Cyrillic capitals lie a fixed distance below
    // their small letters.
    if ((cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) || (cp >= 0x391 && cp <= 0x3AB && cp != 0x3A2) ||
        (cp >= 0x410 && cp <= 0x42F))
        return cp + 0x20;
    if (cp >= 0x400 && cp <= 0x40F) return cp + 0x50;
    // Greek capitals with tonos.
    if (cp == 0x386) return 0x3AC;
    if (cp >= 0x388 && cp <= 0x38A) return cp + 0x25;
    if (cp == 0x38C) return 0x3CC;
    if (cp == 0x38E || cp == 0x38F) return cp + 0x3F;
    if (cp == 0x178) return 0xFF;
    if (cp == 0x4C0) return 0x4CF;
    // Latin Extended-A and the Cyrillic supplement: capital and small letter side
    // by side, the capital on the even or on the odd code point.
    const bool evenCapital = (cp >= 0x100 && cp <= 0x137 && cp != 0x130) ||
                             (cp >= 0x14A && cp <= 0x177) || (cp >= 0x460 && cp <= 0x481) ||
                             (cp >= 0x48A && cp <= 0x4BF) || (cp >= 0x4D0 && cp <= 0x4FF);
    const bool oddCapital = (cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E) ||
                            (cp >= 0x4C1 && cp <= 0x4CE);
    if ((evenCapital && cp % 2 == 0) || (oddCapital && cp % 2 == 1)) return cp + 1;
    return cp;
}

void AppendFolded(std::string& out, std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += static_cast<char>(AsciiLower(c));
            ++i;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < s.size()) {
            // Two-byte sequence (expat has already checked the UTF-8).
            std::uint32_t cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3Fu);
            cp = FoldCodePoint(cp);
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
            i += 2;
        } else {
            out += static_cast<char>(c);
            ++i;
        }
    }
}

// ---------------------------------------------------------------------------
// Scalar values.

std::string_view TrimAsciiSpace(std::string_view s) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

bool ParseNumber(std::string_view s, double& out) {
    s = TrimAsciiSpace(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

bool ReadDigits(std::string_view& s, std::size_t count, int& out) {
    if (s.size() < count) return false;
    int v = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    s.remove_prefix(count);
    out = v;
    return true;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return (month == 2 && leap) ? 29 : kDays[month - 1];
}

// DXL date-times: "yyyymmdd", optionally "T" "hhmmss" with ",hh" hundredths and a
// zone ("Z", "+hh", "-hhmm"); a time-only value is "T" "hhmmss,hh". The zone is
// dropped: the value keeps the wall-clock time as written.
bool ParseDateTime(std::string_view s, NotesDateTime& out) {
    s = TrimAsciiSpace(s);
    NotesDateTime dt;
    if (!s.empty() && s.front() != 'T') {
        if (!ReadDigits(s, 4, dt.year) || !ReadDigits(s, 2, dt.month) || !ReadDigits(s, 2, dt.day))
            return false;
        if (dt.year < 1 || dt.month < 1 || dt.month > 12 || dt.day < 1 ||
            dt.day > DaysInMonth(dt.year, dt.month))
            return false;
    }
    if (!s.empty() && s.front() == 'T') {
        s.remove_prefix(1);
        if (!ReadDigits(s, 2, dt.hour) || !ReadDigits(s, 2, dt.minute) ||
            !ReadDigits(s, 2, dt.second))
            return false;
        if (dt.hour > 23 || dt.minute > 59 || dt.second > 59) return false;
        dt.hasTime = true;
        int unused = 0;
        if (!s.empty() && s.front() == ',') {
            s.remove_prefix(1);
            if (!ReadDigits(s, 2, unused)) return false;
        }
        if (!s.empty() && s.front() == 'Z') {
            s.remove_prefix(1);
        } else if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
            s.remove_prefix(1);
            if (!ReadDigits(s, 2, unused)) return false;
            if (!s.empty() && !ReadDigits(s, 2, unused)) return false;
        }
    } else if (dt.year == 0) {
        return false;  // neither a date nor a time
    }
    if (!s.empty()) return false;
    out = dt;
    return true;
}

// ---------------------------------------------------------------------------
// Encoding helpers.

enum ValueKind : std::uint8_t { kEmpty = 0, kText = 1, kNumber = 2, kDateTime = 3 };

std::size_t VarintSize(std::uint64_t v) {
    std::size_t n = 1;
    while (v >= 0x80) {
        v >>= 7;
        ++n;
    }
    return n;
}

unsigned char* PutVarint(unsigned char* p, std::uint64_t v) {
    while (v >= 0x80) {
        *p++ = static_cast<unsigned char>(v | 0x80);
        v >>= 7;
    }
    *p++ = static_cast<unsigned char>(v);
    return p;
}

std::uint64_t GetVarint(const unsigned char*& p) {
    std::uint64_t v = 0;
    int shift = 0;
    while (*p & 0x80) {
        v |= static_cast<std::uint64_t>(*p++ & 0x7F) << shift;
        shift += 7;
    }
    v |= static_cast<std::uint64_t>(*p++) << shift;
    return v;
}

std::uint64_t PackDateTime(const NotesDateTime& dt) {
    return static_cast<std::uint64_t>(dt.year) | static_cast<std::uint64_t>(dt.month) << 16 |
           static_cast<std::uint64_t>(dt.day) << 24 | static_cast<std::uint64_t>(dt.hour) << 32 |
           static_cast<std::uint64_t>(dt.minute) << 40 |
           static_cast<std::uint64_t>(dt.second) << 48 |
           static_cast<std::uint64_t>(dt.hasTime ? 1 : 0) << 56;
}

NotesDateTime UnpackDateTime(std::uint64_t v) {
    NotesDateTime dt;
    dt.year = static_cast<int>(v & 0xFFFF);
    dt.month = static_cast<int>(v >> 16 & 0xFF);
    dt.day = static_cast<int>(v >> 24 & 0xFF);
    dt.hour = static_cast<int>(v >> 32 & 0xFF);
    dt.minute = static_cast<int>(v >> 40 & 0xFF);
    dt.second = static_cast<int>(v >> 48 & 0xFF);
    dt.hasTime = (v >> 56 & 0xFF) != 0;
    return dt;
}

std::uint64_t Get8(const unsigned char*& p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    p += 8;
    return v;
}

// ---------------------------------------------------------------------------
// Names as expat reports them with namespace processing: "uri\x01local".

constexpr char kNameSeparator = '\x01';
constexpr std::string_view kDxlPrefix = "http://www.lotus.com/dxl\x01";

// The local name of a DXL element, or nullptr for an element of another namespace.
inline const char* DxlLocal(const XML_Char* name) {
    return std::memcmp(name, kDxlPrefix.data(), kDxlPrefix.size()) == 0
               ? name + kDxlPrefix.size()
               : nullptr;
}

inline bool Is(const char* local, const char* literal) {
    return local != nullptr && std::strcmp(local, literal) == 0;
}

const XML_Char* Attribute(const XML_Char** atts, const char* name) {
    for (; *atts != nullptr; atts += 2)
        if (std::strcmp(atts[0], name) == 0) return atts[1];
    return nullptr;
}

std::string Printable(const XML_Char* name) {
    std::string s(name);
    std::replace(s.begin(), s.end(), kNameSeparator, ' ');
    return s;
}

} // namespace

namespace {

int KeptIndexForHash(std::uint32_t hash, std::string_view itemName) {
    std::size_t slot = hash % kItemSlots;
    while (kItemSlotTable[slot] != 0xFF) {
        if (EqualsIgnoringAsciiCase(kKeptItems[kItemSlotTable[slot]], itemName))
            return kItemSlotTable[slot];
        slot = (slot + 1) % kItemSlots;
    }
    return -1;
}

// The same for a C string, hashed and measured in one pass (the reader's path).
int KeptIndexOfAttribute(const char* itemName) {
    std::uint32_t h = 2166136261u;
    const char* p = itemName;
    for (; *p != '\0'; ++p) h = (h ^ AsciiLower(static_cast<unsigned char>(*p))) * 16777619u;
    return KeptIndexForHash(h, std::string_view(itemName, static_cast<std::size_t>(p - itemName)));
}

} // namespace

int DxlKeptItemIndex(std::string_view itemName) {
    return KeptIndexForHash(FoldedHash(itemName), itemName);
}

// ---------------------------------------------------------------------------
// The reader.

class DxlBookBuilder {
public:
    explicit DxlBookBuilder(std::string name) : name_(std::move(name)), book_(new DxlBook) {
        parser_ = XML_ParserCreateNS(nullptr, kNameSeparator);
        if (parser_ == nullptr) throw NotesError("Out of memory while opening \"" + name_ + "\".");
        XML_SetUserData(parser_, this);
        XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
        XML_SetEntityDeclHandler(parser_, &OnEntityDecl);
        XML_SetSkippedEntityHandler(parser_, &OnSkippedEntity);
        XML_SetExternalEntityRefHandler(parser_, &OnExternalEntityRef);
        SetMainHandlers();
        values_.reserve(64);
        items_.reserve(kDxlKeptItemCount);
    }
    ~DxlBookBuilder() { XML_ParserFree(parser_); }
    DxlBookBuilder(const DxlBookBuilder&) = delete;
    DxlBookBuilder& operator=(const DxlBookBuilder&) = delete;

    static constexpr std::size_t kChunk = 256 * 1024;

    std::shared_ptr<const DxlBook> ReadFile(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            const int err = errno;
            Fail(err == ENOENT ? "the file does not exist"
                               : std::string("the file cannot be read (") + std::strerror(err) + ")");
        }
        struct FdCloser {
            int fd;
            ~FdCloser() { ::close(fd); }
        } closer{fd};
        struct stat st{};
        if (::fstat(fd, &st) != 0) Fail(std::string("the file cannot be read (") + std::strerror(errno) + ")");
        if (S_ISDIR(st.st_mode)) Fail("it is a folder, not a file");
        if (!S_ISREG(st.st_mode)) Fail("it is not a regular file");
        if (st.st_size == 0) Fail("the file is empty");
        for (;;) {
            void* buffer = XML_GetBuffer(parser_, static_cast<int>(kChunk));
            if (buffer == nullptr) Fail("out of memory");
            ssize_t n;
            do {
                n = ::read(fd, buffer, kChunk);
            } while (n < 0 && errno == EINTR);
            if (n < 0) Fail(std::string("the file cannot be read (") + std::strerror(errno) + ")");
            if (XML_ParseBuffer(parser_, static_cast<int>(n), n == 0) != XML_STATUS_OK) FailFromParser();
            if (n == 0) break;
        }
        return Finish();
    }

    std::shared_ptr<const DxlBook> ReadBuffer(std::string_view bytes) {
        if (bytes.empty()) Fail("the file is empty");
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
    // What element is open, for the elements the reader does not step over.
    enum State : std::uint8_t {
        kTop,       // before the root
        kDatabase,  // the root: <database>
        kDocument,  // <document> or <note class='document'>
        kItem,      // a kept <item>
        kList,      // <textlist>, <numberlist>, <datetimelist>
        kPair,      // <datetimepair>: only its first date-time counts
        kTextValue, // <text>
        kNumberValue,
        kDateTimeValue,
        kRichText,  // <richtext>: its own handlers run inside
    };

    struct Item {
        std::uint8_t kept;
        std::uint32_t firstValue;
        std::uint32_t valueCount;
    };
    struct Value {
        ValueKind kind;
        std::size_t textOffset;  // kText: into text_
        std::size_t textLength;
        std::uint64_t bits;  // kNumber: the double's bits; kDateTime: packed
    };

    // -- failures ------------------------------------------------------------

    [[noreturn]] void Fail(const std::string& reason) {
        throw NotesError("Cannot open \"" + name_ + "\" as a Notes address book: " + reason +
                         ". Export the address book from Notes as DXL and choose that file.");
    }

    void Refuse(std::string reason) {
        if (refusal_.empty()) refusal_ = std::move(reason);
        XML_StopParser(parser_, XML_FALSE);
    }

    [[noreturn]] void FailFromParser() {
        if (!refusal_.empty()) Fail(refusal_);
        const XML_Error code = XML_GetErrorCode(parser_);
        std::string what = XML_ErrorString(code) ? XML_ErrorString(code) : "parse error";
        if (what.starts_with("not well-formed (") && what.ends_with(")"))
            what = what.substr(17, what.size() - 18);  // "not well-formed (invalid token)"
        Fail("it is not well-formed XML (" + what + " at line " +
             std::to_string(XML_GetCurrentLineNumber(parser_)) + ", column " +
             std::to_string(XML_GetCurrentColumnNumber(parser_)) + ")");
    }

    static void XMLCALL OnEntityDecl(void* data, const XML_Char* entityName, int, const XML_Char*,
                                     int, const XML_Char*, const XML_Char*, const XML_Char*,
                                     const XML_Char*) {
        static_cast<DxlBookBuilder*>(data)->Refuse(
            std::string("it declares the entity \"") + entityName +
            "\"; a DXL export declares no entities, so the file is refused for safety");
    }

    static void XMLCALL OnSkippedEntity(void* data, const XML_Char* entityName, int) {
        static_cast<DxlBookBuilder*>(data)->Refuse(std::string("it uses the undefined entity \"") +
                                                   entityName + "\"");
    }

    static int XMLCALL OnExternalEntityRef(XML_Parser parser, const XML_Char*, const XML_Char*,
                                           const XML_Char*, const XML_Char*) {
        auto* self = static_cast<DxlBookBuilder*>(XML_GetUserData(parser));
        if (self->refusal_.empty())
            self->refusal_ = "it refers to an external entity, which is never loaded";
        return XML_STATUS_ERROR;
    }

    // -- handler sets ----------------------------------------------------------

    void SetMainHandlers() {
        XML_SetElementHandler(parser_, &MainStart, &MainEnd);
        SetCharacterHandlerForState();
    }

    void SetCharacterHandlerForState() {
        const State top = stack_.back();
        if (top == kTextValue)
            XML_SetCharacterDataHandler(parser_, &TextCharacters);
        else if (top == kNumberValue || top == kDateTimeValue)
            XML_SetCharacterDataHandler(parser_, &ScalarCharacters);
        else
            XML_SetCharacterDataHandler(parser_, nullptr);
    }

    // Steps over the element just started and everything inside it.
    void SkipElement() {
        skipDepth_ = 0;
        XML_SetElementHandler(parser_, &SkipStart, &SkipEnd);
        XML_SetCharacterDataHandler(parser_, nullptr);
    }

    static void XMLCALL SkipStart(void* data, const XML_Char*, const XML_Char**) {
        ++static_cast<DxlBookBuilder*>(data)->skipDepth_;
    }

    static void XMLCALL SkipEnd(void* data, const XML_Char*) {
        auto* self = static_cast<DxlBookBuilder*>(data);
        if (self->skipDepth_ == 0)
            self->SetMainHandlers();
        else
            --self->skipDepth_;
    }

    static void XMLCALL TextCharacters(void* data, const XML_Char* s, int len) {
        static_cast<DxlBookBuilder*>(data)->text_.append(s, static_cast<std::size_t>(len));
    }

    static void XMLCALL ScalarCharacters(void* data, const XML_Char* s, int len) {
        auto& scalar = static_cast<DxlBookBuilder*>(data)->scalar_;
        // A number or date-time is a few characters; more is not a valid value.
        if (scalar.size() < 64) scalar.append(s, std::min<std::size_t>(static_cast<std::size_t>(len), 64));
    }

    // -- the main state machine ------------------------------------------------

    static void XMLCALL MainStart(void* data, const XML_Char* name, const XML_Char** atts) {
        static_cast<DxlBookBuilder*>(data)->Start(name, atts);
    }

    static void XMLCALL MainEnd(void* data, const XML_Char*) {
        static_cast<DxlBookBuilder*>(data)->End();
    }

    void Push(State s) {
        stack_.push_back(s);
        SetCharacterHandlerForState();
    }

    void Start(const XML_Char* name, const XML_Char** atts) {
        if (!refusal_.empty()) return;
        const char* local = DxlLocal(name);
        switch (stack_.back()) {
        case kTop:
            if (!Is(local, "database")) {
                Refuse("it is not a Notes DXL database export (its root element is <" +
                       Printable(name) + ">, not <database> in the namespace " + kDxlNamespace + ")");
                return;
            }
            if (const XML_Char* title = Attribute(atts, "title")) book_->title_ = title;
            Push(kDatabase);
            return;
        case kDatabase:
            if (Is(local, "document")) {
                const XML_Char* form = Attribute(atts, "form");
                StartDocument(form);
                return;
            }
            if (Is(local, "note")) {
                const XML_Char* cls = Attribute(atts, "class");
                if (cls != nullptr && std::strcmp(cls, "document") == 0) {
                    StartDocument(nullptr);
                    return;
                }
            }
            break;
        case kDocument:
            if (Is(local, "item")) {
                const XML_Char* itemName = Attribute(atts, "name");
                const int kept = itemName ? KeptIndexOfAttribute(itemName) : -1;
                // The first item of a name counts, as with Notes' GetItemValue.
                if (kept >= 0 && (seenItems_ & (std::uint64_t{1} << kept)) == 0) {
                    seenItems_ |= std::uint64_t{1} << kept;
                    items_.push_back({static_cast<std::uint8_t>(kept),
                                      static_cast<std::uint32_t>(values_.size()), 0});
                    Push(kItem);
                    return;
                }
            } else if (Is(local, "noteinfo")) {
                if (const XML_Char* unid = Attribute(atts, "unid")) unid_ = unid;
                if (const XML_Char* noteid = Attribute(atts, "noteid")) noteid_ = noteid;
            }
            break;
        case kItem:
            if (Is(local, "textlist") || Is(local, "numberlist") || Is(local, "datetimelist")) {
                Push(kList);
                return;
            }
            if (Is(local, "richtext")) {
                StartRichText();
                return;
            }
            if (StartScalar(local)) return;
            break;
        case kList:
            if (Is(local, "datetimepair")) {
                pairCount_ = 0;
                Push(kPair);
                return;
            }
            if (StartScalar(local)) return;
            break;
        case kPair:
            if (Is(local, "datetime") && pairCount_++ == 0) {
                scalar_.clear();
                Push(kDateTimeValue);
                return;
            }
            break;
        case kTextValue:
            if (Is(local, "break")) text_ += '\n';
            break;
        case kNumberValue:
        case kDateTimeValue:
        case kRichText:
            break;
        }
        SkipElement();
    }

    bool StartScalar(const char* local) {
        if (Is(local, "text")) {
            values_.push_back({kText, text_.size(), 0, 0});
            Push(kTextValue);
            return true;
        }
        if (Is(local, "number")) {
            scalar_.clear();
            Push(kNumberValue);
            return true;
        }
        if (Is(local, "datetime")) {
            scalar_.clear();
            Push(kDateTimeValue);
            return true;
        }
        return false;
    }

    void End() {
        if (!refusal_.empty() || stack_.size() < 2) return;
        const State ended = stack_.back();
        stack_.pop_back();
        switch (ended) {
        case kTextValue:
            values_.back().textLength = text_.size() - values_.back().textOffset;
            break;
        case kNumberValue: {
            double number = 0;
            if (ParseNumber(scalar_, number)) {
                std::uint64_t bits;
                std::memcpy(&bits, &number, sizeof bits);
                values_.push_back({kNumber, 0, 0, bits});
            } else {
                values_.push_back({kEmpty, 0, 0, 0});
            }
            break;
        }
        case kDateTimeValue: {
            NotesDateTime dt;
            if (ParseDateTime(scalar_, dt))
                values_.push_back({kDateTime, 0, 0, PackDateTime(dt)});
            else
                values_.push_back({kEmpty, 0, 0, 0});
            break;
        }
        case kItem:
            items_.back().valueCount =
                static_cast<std::uint32_t>(values_.size() - items_.back().firstValue);
            break;
        case kDocument:
            EndDocument();
            break;
        default:
            break;
        }
        SetCharacterHandlerForState();
    }

    // -- documents -------------------------------------------------------------

    void StartDocument(const XML_Char* form) {
        hasFormAttribute_ = form != nullptr;
        formAttributeIsPerson_ = form != nullptr && std::strcmp(form, "Person") == 0;
        unid_.clear();
        noteid_.clear();
        items_.clear();
        values_.clear();
        text_.clear();
        seenItems_ = 0;
        Push(kDocument);
    }

    const Item* FindItem(int kept) const {
        for (const Item& item : items_)
            if (item.kept == kept) return &item;
        return nullptr;
    }

    std::string_view FirstText(const Item* item) const {
        if (item == nullptr || item->valueCount == 0) return {};
        const Value& v = values_[item->firstValue];
        if (v.kind != kText) return {};
        return std::string_view(text_).substr(v.textOffset, v.textLength);
    }

    // Person documents: Type's first value is "Person"; with no Type item, the form
    // (the form attribute, or else the Form item) is "Person".
    bool IsPerson() const {
        if (const Item* type = FindItem(kTypeItem)) return FirstText(type) == "Person";
        if (hasFormAttribute_) return formAttributeIsPerson_;
        return FirstText(FindItem(kFormItem)) == "Person";
    }

    void EndDocument() {
        if (!IsPerson()) return;

        std::size_t size = VarintSize(unid_.size()) + unid_.size() + VarintSize(noteid_.size()) +
                           noteid_.size() + 1;
        for (const Item& item : items_) {
            size += 1 + VarintSize(item.valueCount);
            for (std::uint32_t i = 0; i < item.valueCount; ++i) {
                const Value& v = values_[item.firstValue + i];
                size += 1;
                if (v.kind == kText)
                    size += VarintSize(v.textLength) + v.textLength;
                else if (v.kind != kEmpty)
                    size += 8;
            }
        }
        if (size > 0xFFFFFFFFu) {
            Refuse("one of its documents is larger than 4 GB");
            return;
        }

        unsigned char* const start = Allocate(size);
        unsigned char* p = start;
        p = PutVarint(p, unid_.size());
        std::memcpy(p, unid_.data(), unid_.size());
        p += unid_.size();
        p = PutVarint(p, noteid_.size());
        std::memcpy(p, noteid_.data(), noteid_.size());
        p += noteid_.size();
        *p++ = static_cast<unsigned char>(items_.size());
        for (const Item& item : items_) {
            *p++ = item.kept;
            p = PutVarint(p, item.valueCount);
            for (std::uint32_t i = 0; i < item.valueCount; ++i) {
                const Value& v = values_[item.firstValue + i];
                *p++ = v.kind;
                if (v.kind == kText) {
                    p = PutVarint(p, v.textLength);
                    std::memcpy(p, text_.data() + v.textOffset, v.textLength);
                    p += v.textLength;
                } else if (v.kind != kEmpty) {
                    std::memcpy(p, &v.bits, 8);
                    p += 8;
                }
            }
        }
        book_->persons_.push_back({start, static_cast<std::uint32_t>(size)});
        book_->storedBytes_ += size;

        // The view's sort key: last name, a separator below every character, first name.
        keyOffsets_.push_back(static_cast<std::uint32_t>(keys_.size()));
        AppendFolded(keys_, FirstText(FindItem(kLastNameItem)));
        keys_ += '\0';
        AppendFolded(keys_, FirstText(FindItem(kFirstNameItem)));
    }

    unsigned char* Allocate(std::size_t size) {
        static constexpr std::size_t kBlock = 1024 * 1024;
        if (size > kBlock / 4) {
            // A big document gets a block of its own; the open block stays open.
            book_->blocks_.push_back(std::make_unique_for_overwrite<unsigned char[]>(size));
            return book_->blocks_.back().get();
        }
        if (size > blockLeft_) {
            book_->blocks_.push_back(std::make_unique_for_overwrite<unsigned char[]>(kBlock));
            blockNext_ = book_->blocks_.back().get();
            blockLeft_ = kBlock;
        }
        unsigned char* p = blockNext_;
        blockNext_ += size;
        blockLeft_ -= size;
        return p;
    }

    // -- rich text -------------------------------------------------------------
    //
    // The plain text of a richtext item: the text inside its paragraphs (directly in
    // <par>, or in <run> and the link elements), with <break/> as a line break and
    // one line break between paragraphs. Text of pictures, attachments, formulas
    // and other embedded objects is not part of it.

    void StartRichText() {
        values_.push_back({kText, text_.size(), 0, 0});
        Push(kRichText);
        richFlags_.clear();
        parDepth_ = 0;
        paragraphs_ = 0;
        XML_SetElementHandler(parser_, &RichStart, &RichEnd);
        XML_SetCharacterDataHandler(parser_, &RichCharacters);
    }

    static void XMLCALL RichStart(void* data, const XML_Char* name, const XML_Char**) {
        auto* self = static_cast<DxlBookBuilder*>(data);
        const char* local = DxlLocal(name);
        std::uint8_t flags = 0;
        if (Is(local, "par")) {
            if (self->paragraphs_++ > 0) self->text_ += '\n';
            ++self->parDepth_;
            flags = 3;
        } else if (Is(local, "break")) {
            if (self->parDepth_ > 0) self->text_ += '\n';
        } else if (Is(local, "run") || Is(local, "urllink") || Is(local, "doclink") ||
                   Is(local, "namedelementlink")) {
            flags = 1;
        }
        self->richFlags_.push_back(flags);
    }

    static void XMLCALL RichEnd(void* data, const XML_Char*) {
        auto* self = static_cast<DxlBookBuilder*>(data);
        if (self->richFlags_.empty()) {
            // </richtext>
            Value& v = self->values_.back();
            v.textLength = self->text_.size() - v.textOffset;
            self->stack_.pop_back();
            self->SetMainHandlers();
            return;
        }
        if (self->richFlags_.back() & 2) --self->parDepth_;
        self->richFlags_.pop_back();
    }

    static void XMLCALL RichCharacters(void* data, const XML_Char* s, int len) {
        auto* self = static_cast<DxlBookBuilder*>(data);
        if (self->parDepth_ > 0 && !self->richFlags_.empty() && (self->richFlags_.back() & 1))
            self->text_.append(s, static_cast<std::size_t>(len));
    }

    // -- the end ---------------------------------------------------------------

    std::shared_ptr<const DxlBook> Finish() {
        if (!refusal_.empty()) Fail(refusal_);
        // Sort the view: by key, ties in file order.
        const std::size_t n = book_->persons_.size();
        std::vector<std::uint32_t> order(n);
        std::iota(order.begin(), order.end(), 0u);
        keyOffsets_.push_back(static_cast<std::uint32_t>(keys_.size()));
        const auto key = [this](std::uint32_t i) {
            return std::string_view(keys_).substr(keyOffsets_[i], keyOffsets_[i + 1] - keyOffsets_[i]);
        };
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            const int c = key(a).compare(key(b));
            return c < 0 || (c == 0 && a < b);
        });
        std::vector<DxlBook::StoredPerson> sorted;
        sorted.reserve(n);
        for (const std::uint32_t i : order) sorted.push_back(book_->persons_[i]);
        book_->persons_ = std::move(sorted);
        return std::shared_ptr<const DxlBook>(std::move(book_));
    }

    std::string name_;
    std::unique_ptr<DxlBook> book_;
    XML_Parser parser_ = nullptr;
    std::string refusal_;

    std::vector<State> stack_{kTop};
    std::size_t skipDepth_ = 0;

    // The document being read.
    bool hasFormAttribute_ = false;
    bool formAttributeIsPerson_ = false;
    std::string unid_, noteid_;
    std::vector<Item> items_;
    std::vector<Value> values_;
    std::string text_;    // the text of the document's kept values, back to back
    std::string scalar_;  // the characters of the number or date-time being read
    std::uint64_t seenItems_ = 0;
    int pairCount_ = 0;

    // Rich text: one entry per open element inside <richtext>: bit 0 text counts
    // directly inside it, bit 1 it is a paragraph.
    std::vector<std::uint8_t> richFlags_;
    std::size_t parDepth_ = 0;
    std::size_t paragraphs_ = 0;

    // Arena and sort keys.
    unsigned char* blockNext_ = nullptr;
    std::size_t blockLeft_ = 0;
    std::string keys_;
    std::vector<std::uint32_t> keyOffsets_;
};

std::shared_ptr<const DxlBook> DxlBook::ReadFile(const std::string& path) {
    return DxlBookBuilder(path).ReadFile(path);
}

std::shared_ptr<const DxlBook> DxlBook::ReadBuffer(std::string_view bytes, const std::string& name) {
    return DxlBookBuilder(name).ReadBuffer(bytes);
}

// ---------------------------------------------------------------------------
// Reading a stored person.

DxlBook::Person::Person(const DxlBook& book, std::size_t viewIndex) {
    if (viewIndex >= book.persons_.size()) throw NotesError("No such document in the view.");
    const unsigned char* p = book.persons_[viewIndex].data;
    std::size_t n = GetVarint(p);
    unid_ = std::string_view(reinterpret_cast<const char*>(p), n);
    p += n;
    n = GetVarint(p);
    noteid_ = std::string_view(reinterpret_cast<const char*>(p), n);
    p += n;
    const unsigned itemCount = *p++;
    for (unsigned i = 0; i < itemCount; ++i) {
        const unsigned kept = *p++;
        items_[kept] = p;
        std::uint64_t count = GetVarint(p);
        while (count-- > 0) {
            const auto kind = static_cast<ValueKind>(*p++);
            if (kind == kText)
                p += GetVarint(p);
            else if (kind != kEmpty)
                p += 8;
        }
    }
}

NotesValues DxlBook::Person::ItemValues(std::string_view itemName) const {
    NotesValues values;
    const int kept = DxlKeptItemIndex(itemName);
    const unsigned char* p = kept >= 0 ? items_[kept] : nullptr;
    if (p == nullptr) {
        values.emplace_back();
        return values;
    }
    std::uint64_t count = GetVarint(p);
    values.reserve(count > 0 ? count : 1);
    while (count-- > 0) {
        switch (static_cast<ValueKind>(*p++)) {
        case kText: {
            const std::size_t n = GetVarint(p);
            values.emplace_back(std::in_place_type<std::string>, reinterpret_cast<const char*>(p), n);
            p += n;
            break;
        }
        case kNumber: {
            const std::uint64_t bits = Get8(p);
            double d;
            std::memcpy(&d, &bits, sizeof d);
            values.emplace_back(d);
            break;
        }
        case kDateTime:
            values.emplace_back(UnpackDateTime(Get8(p)));
            break;
        case kEmpty:
            values.emplace_back();
            break;
        }
    }
    if (values.empty()) values.emplace_back();
    return values;
}

} // namespace tallowby
