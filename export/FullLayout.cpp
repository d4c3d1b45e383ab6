// The whole book: the 39 classic columns in their order and with their headers, each
// cell holding every value of its item, one per line; then one column for every
// other item that any person document carries, headed by the item's name, in the
// order the items first appear in the view; last the document's Universal ID. Names
// are shown abbreviated, as Notes shows them. A second table lists the groups.
#include "addressbook/DxlValues.h"
#include "addressbook/AsciiCase.h"
#include "export/ColumnLayout.h"
#include "export/RowLayout.h"

#include <unordered_map>

namespace tallowby {

namespace {

// Items that are the document's form rather than its data.
bool LeftOut(const std::string& folded) { return folded.empty() || folded[0] == '$' || folded == "type" || folded == "form"; }

std::string Lines(const std::vector<std::string>& values) {
    std::string joined;
    for (const std::string& value : values) {
        if (!joined.empty()) joined += '\n';
        joined += value;
    }
    return joined;
}

class FullLayout final : public RowLayout {
public:
    bool NeedsOverview() const override { return true; }

    SheetColumns Columns(const BookOverview* overview) override {
        SheetColumns columns;
        for (const ExportColumn& column : kExportColumns) {
            columns.headers.emplace_back(column.header);
            AddColumn(column.item(), column.rule());
        }
        if (overview != nullptr) {
            for (const std::string& item : overview->personItems) {
                const std::string folded = FoldedAscii(item);
                if (LeftOut(folded) || columnOf_.count(folded) != 0) continue;
                columns.headers.push_back(item);
                AddColumn(item, TextRule{});
            }
        }
        columns.headers.emplace_back("Universal ID");
        return columns;
    }

    void Fill(ExportContact& contact, Row& row) override {
        for (std::string& cell : row) cell.clear();
        for (const NotesItem& item : contact.Items()) {
            // The book spells an item alike in document after document: the spelling
            // finds its column, folding only when the spelling is new.
            auto it = columnBySpelling_.find(item.name);
            if (it == columnBySpelling_.end()) {
                const auto folded = columnOf_.find(FoldedAscii(item.name));
                it = columnBySpelling_.emplace(item.name, folded == columnOf_.end() ? kNone : folded->second).first;
            }
            if (it->second == kNone) continue;
            const TextRule& rule = rules_[it->second];
            row[it->second] = ValueText(item, rule);
            TextRule one = rule;
            one.allValues = false;
            for (const NotesValue& value : item.values)
                if (!ValueText(NotesValues{value}, one, item.kind).empty()) ++values_;
        }
        try {
            row.back() = contact.document().UniversalID();
        } catch (const NotesError&) {
            row.back().clear();
        }
    }

    bool HasGroups() const override { return true; }

    SheetColumns GroupColumns() const override {
        return {{"Group Name", "Aliases", "Description", "Group Type", "Members", "Resolved Members"}, {}};
    }

    // The members as stored, then every person the group reaches (through nested
    // groups too), by name and address.
    void FillGroup(const BookGroup& group, const BookOverview& overview, Row& row) override {
        std::vector<std::string> members, persons;
        for (const GroupMember& member : group.members) members.push_back(member.text);
        for (const std::size_t index : group.persons) {
            const PersonIdentity& person = overview.persons[index];
            persons.push_back(person.email.empty() || person.email == person.listed
                                  ? person.listed
                                  : person.listed + " <" + person.email + ">");
        }
        row = {group.name, Lines(group.aliases), group.description, group.type, Lines(members), Lines(persons)};
        // The group's own values: its name, aliases, description, type and members.
        values_ += (group.name.empty() ? 0 : 1) + static_cast<int64_t>(group.aliases.size()) +
                   (group.description.empty() ? 0 : 1) + (group.type.empty() ? 0 : 1) +
                   static_cast<int64_t>(members.size());
    }

private:
    void AddColumn(std::string_view item, TextRule rule) {
        rule.allValues = true;
        rule.abbreviateNames = true;
        columnOf_.emplace(FoldedAscii(item), rules_.size());
        rules_.push_back(rule);
    }

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::unordered_map<std::string, std::size_t> columnOf_;  // folded item name -> column
    std::unordered_map<std::string, std::size_t> columnBySpelling_;  // as spelled -> column, or kNone
    std::vector<TextRule> rules_;                            // by column
};

} // namespace

std::unique_ptr<RowLayout> MakeFullLayout() { return std::make_unique<FullLayout>(); }

} // namespace tallowby
