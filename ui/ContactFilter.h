// Finding one person among many: the tree narrowed to the contacts whose listed name,
// company or e-mail address contains the typed text, in any case. The texts are folded
// once when the scan's contacts arrive, so that each keystroke is one pass of plain
// substring searches and one new tree. No widgets: the rule is tested on its own.
#pragma once

#include "addressbook/ContactTree.h"
#include "addressbook/Scan.h"

#include <string>
#include <string_view>
#include <vector>

namespace tallowby {

// The text as the filter compares it: Unicode case folding ("Straße" and "STRASSE"
// fold alike), surrounding white space removed.
std::string FoldForFilter(std::string_view text);

class ContactFilter {
public:
    ContactFilter() = default;
    // Folds each contact's text, company and e-mail address.
    explicit ContactFilter(const std::vector<ScannedContact>& contacts);

    std::size_t size() const { return starts_.empty() ? 0 : starts_.size() - 1; }
    // Whether the contact at `index` holds the folded text (every contact holds "").
    bool Matches(std::size_t index, std::string_view folded) const;

    // The scan's tree with only the contacts that hold `typed`: the root, each letter
    // as "A (123)" with the count of its contacts shown; while something is typed, the
    // letters without a match are left out and the others opened. Blank `typed` gives
    // every contact under the letters as the scan filed them.
    ContactTree Narrow(const ContactTree& full, std::string_view typed) const;

private:
    std::string haystack_;              // the folded texts, one after another
    std::vector<std::size_t> starts_;   // where each contact's text begins, and the end
};

// "A (123)": a letter node's caption with the count of the contacts it shows.
std::string CountedCaption(const std::string& caption, std::size_t count);

} // namespace tallowby
