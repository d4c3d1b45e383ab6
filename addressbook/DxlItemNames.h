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
#include <vector>

namespace tallowby {

class DxlItemNames {
public:
    // The number of the name, given it the first time.
    std::uint32_t Intern(std::string_view name);
    // The same for the item that follows the item `previous` (kNoItem at a document's
    // start): documents mostly list their items in the same order, so the item that
    // followed `previous` last time is tried first, spelled exactly as then.
    static constexpr std::uint32_t kNoItem = 0xFFFFFFFF;
    std::uint32_t InternAfter(std::string_view name, std::uint32_t previous);
    // The number of a name already met; none for a name the book does not have.
    std::optional<std::uint32_t> Find(std::string_view name) const;
    std::string_view Name(std::uint32_t id) const { return spellings_[id]; }
    // Takes in the names of the book's later part, read apart: their numbers here, by
    // their numbers there. Names new here follow in their order there, so the numbers
    // are those of one reading from the start.
    std::vector<std::uint32_t> Merge(const DxlItemNames& later);
    std::size_t size() const { return spellings_.size(); }

private:
    std::optional<std::uint32_t> Lookup(std::string_view name) const;
    // Folds into `buffer` when the name has upper-case letters; the view is the name
    // itself otherwise.
    static std::string_view Folded(std::string_view name, std::string& buffer);

    std::deque<std::string> spellings_, folded_;  // a deque: views into it stay valid
    std::vector<std::uint32_t> successor_;        // by number: the item that followed it last
    std::uint32_t first_ = kNoItem;               // the item that began the last document
    std::unordered_map<std::string_view, std::uint32_t> ids_;  // folded name -> number
};

} // namespace tallowby
