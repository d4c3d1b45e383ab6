#include "addressbook/DxlPersonPool.h"

#include "addressbook/DxlValues.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>

namespace tallowby {

namespace {

// ---------------------------------------------------------------- kept items

constexpr std::array<std::string_view, kDxlKeptItemCount> kKeptItems = {
    "FirstName", "MiddleInitial", "LastName", "Suffix", "Title", "MailAddress",
    "CompanyName", "JobTitle", "OfficeStreetAddress", "OfficeCity", "OfficeZip",
    "OfficeState", "OfficeCountry", "Location", "WebSite", "Department", "Manager",
    "Assistant", "OfficePhoneNumber", "OfficeFAXPhoneNumber", "CellPhoneNumber",
    "PhoneNumber_6", "MiscPhone1", "MiscPhone2", "MiscPhone3", "StreetAddress", "City",
    "Zip", "State", "Country", "Spouse", "Children", "PhoneNumber", "HomeFAXPhoneNumber",
    "PersPager", "Birthday", "Anniversary", "Comment", "ShortName", "AltFullNameSort",
    "MailDomain", "Categories", "Type", "Form"};

constexpr unsigned char AsciiLower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// The length and three letters of a name, folded to lower case: enough to tell the
// kept items apart (the look-up then compares the whole name). Folding sets bit 5,
// which leaves digits and "_" as they are.
constexpr std::uint32_t QuickHash(std::string_view s) {
    if (s.empty()) return 0;
    const auto fold = [](char c) { return static_cast<std::uint32_t>(static_cast<unsigned char>(c) | 0x20); };
    const std::size_t n = s.size();
    return static_cast<std::uint32_t>(n) * 97u + fold(s[0]) * 7u + fold(s[n - 1]) * 3u + fold(s[n / 2]);
}

constexpr std::size_t kItemSlots = 256;  // open addressing, load below 0.2

constexpr std::array<std::uint8_t, kItemSlots> MakeItemSlots() {
    std::array<std::uint8_t, kItemSlots> slots{};
    for (auto& s : slots) s = 0xFF;
    for (std::size_t i = 0; i < kKeptItems.size(); ++i) {
        std::size_t slot = QuickHash(kKeptItems[i]) % kItemSlots;
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
        if (AsciiLower(static_cast<unsigned char>(a[i])) != AsciiLower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

int KeptIndexForHash(std::uint32_t hash, std::string_view itemName) {
    for (std::size_t slot = hash % kItemSlots; kItemSlotTable[slot] != 0xFF; slot = (slot + 1) % kItemSlots) {
        if (EqualsIgnoringAsciiCase(kKeptItems[kItemSlotTable[slot]], itemName)) return kItemSlotTable[slot];
    }
    return -1;
}

// ---------------------------------------------------------------- encoding

std::size_t VarintSize(std::uint64_t v) {
    std::size_t n = 1;
    for (; v >= 0x80; v >>= 7) ++n;
    return n;
}

unsigned char* PutVarint(unsigned char* p, std::uint64_t v) {
    for (; v >= 0x80; v >>= 7) *p++ = static_cast<unsigned char>(v | 0x80);
    *p++ = static_cast<unsigned char>(v);
    return p;
}

std::uint64_t GetVarint(const unsigned char*& p) {
    std::uint64_t v = 0;
    int shift = 0;
    for (; *p & 0x80; shift += 7) v |= static_cast<std::uint64_t>(*p++ & 0x7F) << shift;
    return v | static_cast<std::uint64_t>(*p++) << shift;
}

unsigned char* PutBytes(unsigned char* p, const void* data, std::size_t size) {
    std::memcpy(p, data, size);
    return p + size;
}

std::uint64_t Get8(const unsigned char*& p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    p += 8;
    return v;
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

} // namespace

int DxlKeptItemIndex(std::string_view itemName) { return KeptIndexForHash(QuickHash(itemName), itemName); }

std::string_view DxlKeptItemName(int index) { return kKeptItems.at(static_cast<std::size_t>(index)); }


std::uint64_t PackDxlDateTime(const NotesDateTime& dt) {
    return static_cast<std::uint64_t>(dt.year) | static_cast<std::uint64_t>(dt.month) << 16 |
           static_cast<std::uint64_t>(dt.day) << 24 | static_cast<std::uint64_t>(dt.hour) << 32 |
           static_cast<std::uint64_t>(dt.minute) << 40 | static_cast<std::uint64_t>(dt.second) << 48 |
           static_cast<std::uint64_t>(dt.hasTime ? 1 : 0) << 56;
}

// ---------------------------------------------------------------- the gathered document

void DxlGatheredDocument::Clear() {
    unid.clear();
    noteid.clear();
    items.clear();
    values.clear();
    text.clear();
}

const DxlGatheredDocument::Item* DxlGatheredDocument::Find(int kept) const {
    for (const Item& item : items)
        if (item.kept == kept) return &item;
    return nullptr;
}

std::string_view DxlGatheredDocument::FirstText(int kept) const {
    const Item* item = Find(kept);
    if (item == nullptr || item->valueCount == 0) return {};
    const Value& v = values[item->firstValue];
    if (v.kind != DxlValueKind::Text) return {};
    return std::string_view(text).substr(v.textOffset, v.textLength);
}

// ---------------------------------------------------------------- the pool

bool DxlPersonPool::Add(const DxlGatheredDocument& document) {
    std::size_t size = VarintSize(document.unid.size()) + document.unid.size() +
                       VarintSize(document.noteid.size()) + document.noteid.size() + 1;
    for (const auto& item : document.items) {
        size += 1 + VarintSize(item.valueCount);
        for (std::uint32_t i = 0; i < item.valueCount; ++i) {
            const auto& v = document.values[item.firstValue + i];
            size += 1;
            if (v.kind == DxlValueKind::Text)
                size += VarintSize(v.textLength) + v.textLength;
            else if (v.kind != DxlValueKind::Empty)
                size += 8;
        }
    }
    if (size > 0xFFFFFFFFu) return false;

    unsigned char* const start = Allocate(size);
    unsigned char* p = PutVarint(start, document.unid.size());
    p = PutBytes(p, document.unid.data(), document.unid.size());
    p = PutVarint(p, document.noteid.size());
    p = PutBytes(p, document.noteid.data(), document.noteid.size());
    *p++ = static_cast<unsigned char>(document.items.size());
    for (const auto& item : document.items) {
        *p++ = item.kept;
        p = PutVarint(p, item.valueCount);
        for (std::uint32_t i = 0; i < item.valueCount; ++i) {
            const auto& v = document.values[item.firstValue + i];
            *p++ = static_cast<unsigned char>(v.kind);
            if (v.kind == DxlValueKind::Text) {
                p = PutVarint(p, v.textLength);
                p = PutBytes(p, document.text.data() + v.textOffset, v.textLength);
            } else if (v.kind != DxlValueKind::Empty) {
                p = PutBytes(p, &v.bits, 8);
            }
        }
    }
    persons_.push_back({start, static_cast<std::uint32_t>(size)});
    storedBytes_ += size;

    // The view's sort key: last name, a separator below every character, first name.
    keyOffsets_.push_back(keys_.size());
    AppendFoldedForSort(keys_, document.FirstText(kDxlLastNameItem));
    keys_ += '\0';
    AppendFoldedForSort(keys_, document.FirstText(kDxlFirstNameItem));
    return true;
}

unsigned char* DxlPersonPool::Allocate(std::size_t size) {
    static constexpr std::size_t kBlock = 1024 * 1024;
    if (size > kBlock / 4) {
        // A big document gets a block of its own; the open block stays open.
        blocks_.push_back(std::make_unique_for_overwrite<unsigned char[]>(size));
        return blocks_.back().get();
    }
    if (size > blockLeft_) {
        blocks_.push_back(std::make_unique_for_overwrite<unsigned char[]>(kBlock));
        blockNext_ = blocks_.back().get();
        blockLeft_ = kBlock;
    }
    unsigned char* p = blockNext_;
    blockNext_ += size;
    blockLeft_ -= size;
    return p;
}

void DxlPersonPool::SortIntoViewOrder() {
    const std::size_t n = persons_.size();
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    keyOffsets_.push_back(keys_.size());
    const auto key = [this](std::size_t i) {
        return std::string_view(keys_).substr(keyOffsets_[i], keyOffsets_[i + 1] - keyOffsets_[i]);
    };
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int c = key(a).compare(key(b));
        return c < 0 || (c == 0 && a < b);
    });
    std::vector<StoredPerson> sorted;
    sorted.reserve(n);
    for (const std::size_t i : order) sorted.push_back(persons_[i]);
    persons_ = std::move(sorted);
    // The keys have served their purpose.
    std::string().swap(keys_);
    std::vector<std::uint64_t>().swap(keyOffsets_);
}

DxlPersonPool::Decoded DxlPersonPool::Decode(std::size_t viewIndex) const {
    if (viewIndex >= persons_.size()) throw NotesError("No such document in the view.");
    // The walk goes on to the next person: its record is fetched into the cache
    // meanwhile (records lie in file order, the view visits them in another).
    if (viewIndex + 1 < persons_.size()) __builtin_prefetch(persons_[viewIndex + 1].data);
    Decoded decoded;
    const unsigned char* p = persons_[viewIndex].data;
    std::size_t n = GetVarint(p);
    decoded.unid = std::string_view(reinterpret_cast<const char*>(p), n);
    p += n;
    n = GetVarint(p);
    decoded.noteid = std::string_view(reinterpret_cast<const char*>(p), n);
    p += n;
    const unsigned itemCount = *p++;
    for (unsigned i = 0; i < itemCount; ++i) {
        const unsigned kept = *p++;
        decoded.items[kept] = p;
        for (std::uint64_t count = GetVarint(p); count > 0; --count) {
            const auto kind = static_cast<DxlValueKind>(*p++);
            if (kind == DxlValueKind::Text)
                p += GetVarint(p);
            else if (kind != DxlValueKind::Empty)
                p += 8;
        }
    }
    return decoded;
}

NotesValues DxlPersonPool::Values(const unsigned char* p) {
    NotesValues values;
    std::uint64_t count = p != nullptr ? GetVarint(p) : 0;
    values.reserve(count > 0 ? count : 1);
    for (; count > 0; --count) {
        switch (static_cast<DxlValueKind>(*p++)) {
        case DxlValueKind::Text: {
            const std::size_t n = GetVarint(p);
            values.emplace_back(std::in_place_type<std::string>, reinterpret_cast<const char*>(p), n);
            p += n;
            break;
        }
        case DxlValueKind::Number: {
            const std::uint64_t bits = Get8(p);
            double d;
            std::memcpy(&d, &bits, sizeof d);
            values.emplace_back(d);
            break;
        }
        case DxlValueKind::DateTime:
            values.emplace_back(UnpackDateTime(Get8(p)));
            break;
        case DxlValueKind::Empty:
            values.emplace_back();
            break;
        }
    }
    if (values.empty()) values.emplace_back();
    return values;
}

} // namespace tallowby
