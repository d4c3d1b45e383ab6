#include "addressbook/DxlItemNames.h"

namespace tallowby {

std::string_view DxlItemNames::Folded(std::string_view name, std::string& buffer) {
    std::size_t i = 0;
    while (i < name.size() && !(name[i] >= 'A' && name[i] <= 'Z')) ++i;
    if (i == name.size()) return name;
    buffer.assign(name);
    for (; i < buffer.size(); ++i)
        if (buffer[i] >= 'A' && buffer[i] <= 'Z') buffer[i] = static_cast<char>(buffer[i] - 'A' + 'a');
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
    return id;
}

std::optional<std::uint32_t> DxlItemNames::Find(std::string_view name) const {
    // Folded on the stack: a look-up allocates nothing and may run on any thread.
    char stack[64];
    std::string heap;
    std::string_view folded = name;
    if (name.size() <= sizeof stack) {
        bool changed = false;
        for (std::size_t i = 0; i < name.size(); ++i) {
            const char c = name[i];
            changed |= c >= 'A' && c <= 'Z';
            stack[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
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
