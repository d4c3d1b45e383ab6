#include "addressbook/DxlItemNames.h"

#include "addressbook/AsciiCase.h"

#include <cstdint>
#include <cstring>

namespace tallowby {

std::string_view DxlItemNames::Folded(std::string_view name, std::string& buffer) {
    std::size_t i = 0;
    while (i < name.size() && !(name[i] >= 'A' && name[i] <= 'Z')) ++i;
    if (i == name.size()) return name;
    buffer.assign(name);
    for (; i < buffer.size(); ++i)
        buffer[i] = AsciiLower(buffer[i]);
    return buffer;
}

std::uint32_t DxlItemNames::Intern(std::string_view name) {
    std::string buffer;
    const std::string_view folded = Folded(name, buffer);
    if (const auto it = ids_.find(folded); it != ids_.end()) return it->second;
    const auto id = static_cast<std::uint32_t>(spellings_.size());
    spellings_.emplace_back(name);
    folded_.emplace_back(folded);
    ids_.emplace(folded_.back(), id);
    successor_.push_back(kNoItem);
    return id;
}

std::uint32_t DxlItemNames::InternAfter(std::string_view name, std::uint32_t previous) {
    const std::uint32_t guess = previous == kNoItem ? first_ : successor_[previous];
    if (guess != kNoItem && spellings_[guess] == name) return guess;
    const std::uint32_t id = Intern(name);  // may grow successor_
    (previous == kNoItem ? first_ : successor_[previous]) = id;
    return id;
}

std::vector<std::uint32_t> DxlItemNames::Merge(const DxlItemNames& later) {
    std::vector<std::uint32_t> numbers;
    numbers.reserve(later.size());
    for (const std::string& name : later.spellings_) numbers.push_back(Intern(name));
    return numbers;
}

std::optional<std::uint32_t> DxlItemNames::Find(std::string_view name) const {
    // Callers mostly ask with the same strings over and over (the record's item names,
    // once per document, some of which the book lacks): a small cache per thread, by
    // where the name lies, answers them after one exact comparison with the text kept.
    struct Cached {
        const DxlItemNames* table;
        std::size_t names;   // the names the book had then: a name met later counts
        std::uint32_t id;    // kNoItem: the book has no item of that name
        std::uint8_t size;
        char text[39];
    };
    thread_local Cached cache[512] = {};
    const std::uintptr_t where = reinterpret_cast<std::uintptr_t>(name.data()) * 0x9E3779B97F4A7C15u;
    Cached& cached = cache[((where >> 55) ^ name.size()) & 511];
    if (cached.table == this && cached.names == spellings_.size() && cached.size == name.size() &&
        std::memcmp(cached.text, name.data(), name.size()) == 0)
        return cached.id == kNoItem ? std::nullopt : std::optional<std::uint32_t>(cached.id);
    const std::optional<std::uint32_t> id = Lookup(name);
    if (name.size() <= sizeof cached.text) {
        cached = {this, spellings_.size(), id.value_or(kNoItem), static_cast<std::uint8_t>(name.size()), {}};
        std::memcpy(cached.text, name.data(), name.size());
    }
    return id;
}

std::optional<std::uint32_t> DxlItemNames::Lookup(std::string_view name) const {
    // Folded on the stack: a look-up allocates nothing and may run on any thread.
    char stack[64];
    std::string heap;
    std::string_view folded = name;
    if (name.size() <= sizeof stack) {
        bool changed = false;
        for (std::size_t i = 0; i < name.size(); ++i) {
            const char c = name[i];
            changed |= c >= 'A' && c <= 'Z';
            stack[i] = AsciiLower(c);
        }
        if (changed) folded = std::string_view(stack, name.size());
    } else {
        folded = Folded(name, heap);
    }
    const auto it = ids_.find(folded);
    if (it == ids_.end()) return std::nullopt;
    return it->second;
}

} // namespace tallowby
