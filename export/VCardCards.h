// What a person document and a group become as a card (docs/vcard.md has the table):
// each item's every value in the standard property that holds it, a value that fits
// none (an "e-mail" without "@", a phone item holding an address, an item of the
// book's own) in an X-NOTES- property of its item, so that nothing the book holds is
// lost on the way.
#pragma once

#include "export/ExportSink.h"
#include "export/VCardWriter.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace tallowby::vcard {

class CardMaker {
public:
    // `overview` (the book's groups) may be null: no group names in CATEGORIES then.
    CardMaker(const VCardOptions& options, const BookOverview* overview);

    // The book's groups, once known (after the walk, when no person needs them).
    void SetOverview(const BookOverview* overview) { overview_ = overview; }

    void Person(ExportContact& contact, CardText& card);
    void Group(const BookGroup& group, CardText& card);

    // Values written so far, every value of a multi-value item counted; of those, the
    // values that no standard property holds (written as X-NOTES- properties).
    int64_t values() const { return values_; }
    int64_t valuesAside() const { return aside_; }

private:
    struct PersonItems;
    void Begin(CardText& card) const;
    void Names(const PersonItems& items, CardText& card);
    void Addresses(const PersonItems& items, CardText& card);
    void Dates(const PersonItems& items, CardText& card);
    void Relations(const PersonItems& items, CardText& card);
    void Aside(const std::string& item, const std::string& text, CardText& card);
    void Identity(ExportContact& contact, CardText& card) const;
    const std::string& PropertyFor(const std::string& item);

    const int version_;
    const bool groupsAsCategories_;
    const BookOverview* overview_;

    std::unordered_map<std::string, std::size_t> known_;        // folded item name -> known item
    std::unordered_map<std::string, std::size_t> byName_;       // item name as stored -> known item, or none
    std::unordered_map<std::string, std::string> asideNames_;   // item name -> its X-NOTES- property
    std::string folded_;                                         // scratch
    int64_t values_ = 0, aside_ = 0;
};

} // namespace tallowby::vcard
