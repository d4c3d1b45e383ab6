// The item names of one DXL book, each stored once and known by a number from then
// on: a book of 30,000 persons spells "OfficeStreetAddress" 30,000 times, and each
// stored document then carries a small number instead. Names match ignoring ASCII
// case, as Notes matches item names; the spelling met first is the one kept.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tallowby {

class DxlItemNames {
public:
    // The number of the name, given it the first time.
    std::uint32_t Intern(std::string_view name);
    // The number of a name already met; none for a name the book does not have.
    std::optional<std::uint32_t> Find(std::string_view name) const;
    std::string_view Name(std::uint32_t id) const { return spellings_[id]; }
    std::size_t size() const { return spellings_.size(); }

private:
    // Folds into `buffer` when the name has upper-case letters; the view is the name
    // itself otherwise.
    static std::string_view Folded(std::string_view name, std::string& buffer);

    std::deque<std::string> spellings_, folded_;  // a deque: views into it stay valid
    std::unordered_map<std::string_view, std::uint32_t> ids_;  // folded name -> number
};

} // namespace tallowby
