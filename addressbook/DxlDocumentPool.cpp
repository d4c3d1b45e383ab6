#include "addressbook/DxlDocumentPool.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace tallowby {

namespace {

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

// Steps over one value of an encoded item.
void SkipValue(const unsigned char*& p) {
    const auto kind = static_cast<DxlValueKind>(*p++);
    if (kind == DxlValueKind::Text)
        p += GetVarint(p);
    else if (kind != DxlValueKind::Empty)
        p += 8;
}

} // namespace

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
    modified.reset();
    binaryItems = 0;
    items.clear();
    values.clear();
    text.clear();
}

const DxlGatheredDocument::Item* DxlGatheredDocument::Find(std::uint32_t name) const {
    for (const Item& item : items)
        if (item.name == name) return &item;
    return nullptr;
}

std::string_view DxlGatheredDocument::FirstText(std::optional<std::uint32_t> name) const {
    const Item* item = name ? Find(*name) : nullptr;
    if (item == nullptr || item->binary || item->valueCount == 0) return {};
    const Value& v = values[item->firstValue];
    if (v.kind != DxlValueKind::Text) return {};
    return std::string_view(text).substr(v.textOffset, v.textLength);
}

// ---------------------------------------------------------------- a stored document

const DxlStoredDocument::Item* DxlStoredDocument::Find(std::uint32_t name) const {
    for (const Item& item : items)
        if (item.name == name) return &item;
    return nullptr;
}

NotesValues DxlStoredDocument::Values(const Item* item) {
    NotesValues values;
    const unsigned char* p = item != nullptr ? item->values : nullptr;
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

// ---------------------------------------------------------------- the pool

bool DxlDocumentPool::Add(const DxlGatheredDocument& document, std::string_view sortKey) {
    std::size_t size = VarintSize(document.unid.size()) + document.unid.size() +
                       VarintSize(document.noteid.size()) + document.noteid.size() + 1 +
                       (document.modified ? 8 : 0) + VarintSize(document.binaryItems);
    std::size_t stored = 0;
    for (const auto& item : document.items) {
        if (item.binary) continue;
        ++stored;
        size += VarintSize(item.name) + 1 + VarintSize(item.valueCount);
        for (std::uint32_t i = 0; i < item.valueCount; ++i) {
            const auto& v = document.values[item.firstValue + i];
            size += 1;
            if (v.kind == DxlValueKind::Text)
                size += VarintSize(v.textLength) + v.textLength;
            else if (v.kind != DxlValueKind::Empty)
                size += 8;
        }
    }
    size += VarintSize(stored);
    if (size > 0xFFFFFFFFu) return false;

    unsigned char* const start = Allocate(size);
    unsigned char* p = PutVarint(start, document.unid.size());
    p = PutBytes(p, document.unid.data(), document.unid.size());
    p = PutVarint(p, document.noteid.size());
    p = PutBytes(p, document.noteid.data(), document.noteid.size());
    *p++ = document.modified ? 1 : 0;
    if (document.modified) {
        const std::uint64_t packed = PackDxlDateTime(*document.modified);
        p = PutBytes(p, &packed, 8);
    }
    p = PutVarint(p, document.binaryItems);
    p = PutVarint(p, stored);
    for (const auto& item : document.items) {
        if (item.binary) continue;
        p = PutVarint(p, item.name);
        *p++ = static_cast<unsigned char>(item.kind);
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
    documents_.push_back({start, static_cast<std::uint32_t>(size)});
    binaryItems_ += document.binaryItems;
    keyOffsets_.push_back(keys_.size());
    keys_ += sortKey;
    return true;
}

unsigned char* DxlDocumentPool::Allocate(std::size_t size) {
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

namespace {

// A record with its item numbers translated, into `to` (null: only its size).
std::size_t Renumbered(const unsigned char* record, const std::vector<std::uint32_t>& numbers, unsigned char* to) {
    const unsigned char* p = record;
    std::size_t size = 0;
    const auto copy = [&](const unsigned char* from) {
        if (to != nullptr) to = PutBytes(to, from, static_cast<std::size_t>(p - from));
        size += static_cast<std::size_t>(p - from);
    };
    const unsigned char* from = p;
    p += GetVarint(p);  // unid
    p += GetVarint(p);  // noteid
    if (*p++ != 0) p += 8;
    GetVarint(p);  // binary items
    std::uint64_t items = GetVarint(p);
    copy(from);
    for (; items > 0; --items) {
        const std::uint32_t name = numbers[GetVarint(p)];
        size += VarintSize(name);
        if (to != nullptr) to = PutVarint(to, name);
        from = p;
        ++p;  // kind
        for (std::uint64_t count = GetVarint(p); count > 0; --count) SkipValue(p);
        copy(from);
    }
    return size;
}

} // namespace

void DxlDocumentPool::Append(DxlDocumentPool&& later, const std::vector<std::uint32_t>& numbers) {
    bool same = true;
    for (std::size_t i = 0; i < numbers.size() && same; ++i) same = numbers[i] == i;
    documents_.reserve(documents_.size() + later.documents_.size());
    if (same) {
        // The usual case, the items met in the same order in both parts: the records
        // stay where they are.
        for (auto& block : later.blocks_) blocks_.push_back(std::move(block));
        documents_.insert(documents_.end(), later.documents_.begin(), later.documents_.end());
    } else {
        for (const StoredDocument& document : later.documents_) {
            const std::size_t size = Renumbered(document.data, numbers, nullptr);
            unsigned char* const start = Allocate(size);
            Renumbered(document.data, numbers, start);
            documents_.push_back({start, static_cast<std::uint32_t>(size)});
        }
    }
    binaryItems_ += later.binaryItems_;
    const std::uint64_t shift = keys_.size();
    for (const std::uint64_t offset : later.keyOffsets_) keyOffsets_.push_back(offset + shift);
    keys_ += later.keys_;
    later = DxlDocumentPool();
}

void DxlDocumentPool::SortIntoViewOrder() {
    const std::size_t n = documents_.size();
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
    std::vector<StoredDocument> sorted;
    sorted.reserve(n);
    for (const std::size_t i : order) sorted.push_back(documents_[i]);
    documents_ = std::move(sorted);
    // The keys have served their purpose.
    std::string().swap(keys_);
    std::vector<std::uint64_t>().swap(keyOffsets_);
}

DxlStoredDocument DxlDocumentPool::Decode(std::size_t viewIndex) const {
    if (viewIndex >= documents_.size()) throw NotesError("No such document in the view.");
    // A walk goes on to the next document: its record is fetched into the cache
    // meanwhile (records lie in file order, the view visits them in another).
    if (viewIndex + 1 < documents_.size()) __builtin_prefetch(documents_[viewIndex + 1].data);
    DxlStoredDocument decoded;
    const unsigned char* p = documents_[viewIndex].data;
    std::size_t n = GetVarint(p);
    decoded.unid = std::string_view(reinterpret_cast<const char*>(p), n);
    p += n;
    n = GetVarint(p);
    decoded.noteid = std::string_view(reinterpret_cast<const char*>(p), n);
    p += n;
    if (*p++ != 0) decoded.modified = UnpackDateTime(Get8(p));
    decoded.binaryItems = static_cast<std::uint32_t>(GetVarint(p));
    const std::uint64_t itemCount = GetVarint(p);
    decoded.items.reserve(itemCount);
    for (std::uint64_t i = 0; i < itemCount; ++i) {
        const auto name = static_cast<std::uint32_t>(GetVarint(p));
        const auto kind = static_cast<ItemKind>(*p++);
        decoded.items.push_back({name, kind, p});
        for (std::uint64_t count = GetVarint(p); count > 0; --count) SkipValue(p);
    }
    return decoded;
}

} // namespace tallowby
