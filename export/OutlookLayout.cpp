// Outlook's own CSV: the 92 columns of the English Outlook's "Export to a file" in
// their order and with their headers, so that Outlook (and the programs that import
// what Outlook exports) map every column by itself. Each item goes to its Outlook
// column: the first values of a multi-value item to the numbered columns there are
// (Business Phone, Business Phone 2), the e-mail addresses of MailAddress,
// InternetAddress and MiscPhone1..3 to the three e-mail columns. What has no column
// left, and every item Outlook has no column for, is added to Notes after its name
// ("E-mail 4: ...", "ShortName: ..."), so that nothing is lost. Names are shown
// abbreviated; dates as M/D/YYYY, as written. Groups have no place here.
#include "addressbook/ContactRecord.h"
#include "addressbook/AsciiCase.h"
#include "export/RowLayout.h"
#include "export/VCardWriter.h"

#include <array>
#include <unordered_map>

namespace tallowby {

namespace {

constexpr std::array<std::string_view, 92> kOutlookColumns = {
    "Title", "First Name", "Middle Name", "Last Name", "Suffix", "Company", "Department", "Job Title",
    "Business Street", "Business Street 2", "Business Street 3", "Business City", "Business State",
    "Business Postal Code", "Business Country/Region", "Home Street", "Home Street 2", "Home Street 3", "Home City",
    "Home State", "Home Postal Code", "Home Country/Region", "Other Street", "Other Street 2", "Other Street 3",
    "Other City", "Other State", "Other Postal Code", "Other Country/Region", "Assistant's Phone", "Business Fax",
    "Business Phone", "Business Phone 2", "Callback", "Car Phone", "Company Main Phone", "Home Fax", "Home Phone",
    "Home Phone 2", "ISDN", "Mobile Phone", "Other Fax", "Other Phone", "Pager", "Primary Phone", "Radio Phone",
    "TTY/TDD Phone", "Telex", "Account", "Anniversary", "Assistant's Name", "Billing Information", "Birthday",
    "Business Address PO Box", "Categories", "Children", "Directory Server", "E-mail Address", "E-mail Type",
    "E-mail Display Name", "E-mail 2 Address", "E-mail 2 Type", "E-mail 2 Display Name", "E-mail 3 Address",
    "E-mail 3 Type", "E-mail 3 Display Name", "Gender", "Government ID Number", "Hobby", "Home Address PO Box",
    "Initials", "Internet Free Busy", "Keywords", "Language", "Location", "Manager's Name", "Mileage", "Notes",
    "Office Location", "Organizational ID Number", "Other Address PO Box", "Priority", "Private", "Profession",
    "Referred By", "Sensitivity", "Spouse", "User 1", "User 2", "User 3", "User 4", "Web Page"};

constexpr std::size_t ColumnOf(std::string_view header) {
    for (std::size_t i = 0; i < kOutlookColumns.size(); ++i)
        if (kOutlookColumns[i] == header) return i;
    throw "no Outlook column of that name";
}

enum class Rule {
    Columns,  // the values into the columns in turn; the rest to Notes as "<overflow> N"
    Date,     // the first date as M/D/YYYY; the rest to Notes
    Joined,   // every value in the one column, separated by ";" (Outlook's own lists)
    Email,    // the addresses into the three e-mail columns, in the table's order
    Notes,    // first in Notes
    Skip,     // the document's form, not its data
};

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

struct Source {
    std::string_view item;
    Rule rule;
    std::array<std::size_t, 3> columns{kNone, kNone, kNone};
    std::string_view overflow{};  // the label of the values past the columns
    bool zeroIsEmpty = false;
};

consteval Source One(std::string_view item, std::string_view header, bool zeroIsEmpty = false) {
    return {item, Rule::Columns, {ColumnOf(header), kNone, kNone}, header, zeroIsEmpty};
}

constexpr Source kSources[] = {
    One("Title", "Title", true), One("FirstName", "First Name"), One("MiddleInitial", "Middle Name"),
    One("LastName", "Last Name"), One("Suffix", "Suffix", true), One("CompanyName", "Company"),
    One("Department", "Department"), One("JobTitle", "Job Title"),
    {"OfficeStreetAddress", Rule::Columns,
     {ColumnOf("Business Street"), ColumnOf("Business Street 2"), ColumnOf("Business Street 3")}, "Business Street"},
    One("OfficeCity", "Business City"), One("OfficeState", "Business State"),
    One("OfficeZip", "Business Postal Code"), One("OfficeCountry", "Business Country/Region"),
    {"StreetAddress", Rule::Columns, {ColumnOf("Home Street"), ColumnOf("Home Street 2"), ColumnOf("Home Street 3")},
     "Home Street"},
    One("City", "Home City"), One("State", "Home State"), One("Zip", "Home Postal Code"),
    One("Country", "Home Country/Region"),
    {"OfficePhoneNumber", Rule::Columns, {ColumnOf("Business Phone"), ColumnOf("Business Phone 2"), kNone},
     "Business Phone"},
    One("OfficeFAXPhoneNumber", "Business Fax"), One("CellPhoneNumber", "Mobile Phone"),
    One("PhoneNumber_6", "Pager"),
    {"PhoneNumber", Rule::Columns, {ColumnOf("Home Phone"), ColumnOf("Home Phone 2"), kNone}, "Home Phone"},
    One("HomeFAXPhoneNumber", "Home Fax"), One("PersPager", "Other Phone"),
    {"MailAddress", Rule::Email}, {"InternetAddress", Rule::Email}, {"MiscPhone1", Rule::Email},
    {"MiscPhone2", Rule::Email}, {"MiscPhone3", Rule::Email},
    {"Birthday", Rule::Date, {ColumnOf("Birthday"), kNone, kNone}, "Birthday"},
    {"Anniversary", Rule::Date, {ColumnOf("Anniversary"), kNone, kNone}, "Anniversary"},
    {"Categories", Rule::Joined, {ColumnOf("Categories"), kNone, kNone}},
    {"Children", Rule::Joined, {ColumnOf("Children"), kNone, kNone}},
    One("Manager", "Manager's Name"), One("Assistant", "Assistant's Name"), One("Spouse", "Spouse"),
    One("Location", "Office Location"), One("WebSite", "Web Page"),
    {"Comment", Rule::Notes}, {"Type", Rule::Skip}, {"Form", Rule::Skip},
};
constexpr std::size_t kSourceCount = std::size(kSources);

constexpr std::size_t kEmailColumns[3][3] = {
    {ColumnOf("E-mail Address"), ColumnOf("E-mail Type"), ColumnOf("E-mail Display Name")},
    {ColumnOf("E-mail 2 Address"), ColumnOf("E-mail 2 Type"), ColumnOf("E-mail 2 Display Name")},
    {ColumnOf("E-mail 3 Address"), ColumnOf("E-mail 3 Type"), ColumnOf("E-mail 3 Display Name")},
};
constexpr std::size_t kNotesColumn = ColumnOf("Notes");

void Fold(std::string& out, std::string_view name) {
    out.assign(name);
    for (char& c : out) c = AsciiLower(c);
}

// "8/11/1962": month and day without leading zeros, as Outlook writes them.
std::string OutlookDate(const NotesDateTime& date) {
    return std::to_string(date.month) + "/" + std::to_string(date.day) + "/" + std::to_string(date.year);
}

class OutlookLayout final : public RowLayout {
public:
    OutlookLayout() {
        for (std::size_t i = 0; i < kSourceCount; ++i) sourceOf_.emplace(FoldedAscii(kSources[i].item), i);
    }

    SheetColumns Columns(const BookOverview*) override {
        SheetColumns columns;
        for (const std::string_view header : kOutlookColumns) columns.headers.emplace_back(header);
        return columns;
    }

    void Fill(ExportContact& contact, Row& row) override {
        for (std::string& cell : row) cell.clear();
        std::array<const NotesItem*, kSourceCount> known{};
        std::vector<const NotesItem*> others;
        for (const NotesItem& item : contact.Items()) {
            Fold(folded_, item.name);
            const auto it = sourceOf_.find(folded_);
            if (it == sourceOf_.end()) others.push_back(&item);
            else if (known[it->second] == nullptr) known[it->second] = &item;
        }
        notes_.clear();
        comment_.clear();
        emails_.clear();
        for (std::size_t i = 0; i < kSourceCount; ++i)
            if (known[i] != nullptr) Place(kSources[i], *known[i], row);
        WriteEmails(row);
        for (const NotesItem* item : others) {
            for (const std::string& text : Texts(*item, false)) {
                ++values_;
                Note(item->name, text);
            }
        }
        // The comment first, then what had no column, one line each.
        if (!comment_.empty() && !notes_.empty()) comment_ += '\n';
        row[kNotesColumn] = comment_ + notes_;
    }

private:
    static std::vector<std::string> Texts(const NotesItem& item, bool zeroIsEmpty) {
        return vcard::ItemTexts(item, zeroIsEmpty);
    }

    void Place(const Source& source, const NotesItem& item, Row& row) {
        if (source.rule == Rule::Skip) return;
        if (source.rule == Rule::Date) return PlaceDates(source, item, row);
        const std::vector<std::string> texts = Texts(item, source.zeroIsEmpty);
        values_ += static_cast<int64_t>(texts.size());
        switch (source.rule) {
        case Rule::Columns:
            for (std::size_t i = 0; i < texts.size(); ++i) {
                if (i < source.columns.size() && source.columns[i] != kNone) row[source.columns[i]] = texts[i];
                else Note(std::string(source.overflow) + " " + std::to_string(i + 1), texts[i]);
            }
            break;
        case Rule::Joined:
            for (const std::string& text : texts) (row[source.columns[0]].empty() ? row[source.columns[0]]
                                                                                 : row[source.columns[0]] += ';') += text;
            break;
        case Rule::Email:
            for (const std::string& text : texts) {
                if (!vcard::LooksLikeEmail(text)) {
                    Note(item.name, text);
                    continue;
                }
                bool seen = false;
                for (const std::string& known : emails_) seen = seen || known == text;
                if (!seen) emails_.push_back(text);
            }
            break;
        case Rule::Notes:
            for (const std::string& text : texts) (comment_.empty() ? comment_ : comment_ += '\n') += text;
            break;
        case Rule::Date:
        case Rule::Skip:
            break;
        }
        if (source.item == "FirstName" || source.item == "MiddleInitial" || source.item == "LastName")
            nameParts_[source.item == "FirstName" ? 0 : source.item == "MiddleInitial" ? 1 : 2] =
                texts.empty() ? std::string() : texts.front();
    }

    void PlaceDates(const Source& source, const NotesItem& item, Row& row) {
        bool placed = false;
        for (const NotesValue& value : item.values) {
            NotesDateTime date;
            std::string text;
            bool isDate = false;
            if (const auto* stored = std::get_if<NotesDateTime>(&value)) {
                date = *stored;
                isDate = vcard::IsCalendarDate(date);
                text = vcard::IsoText(date);
            } else {
                text = ValueText(NotesValues{value}, TextRule{false, false, true}, item.kind);
                isDate = vcard::ParseIsoDate(text, date);
            }
            if (text.empty()) continue;
            ++values_;
            if (isDate && !placed) {
                row[source.columns[0]] = OutlookDate(date);
                placed = true;
            } else {
                Note(std::string(source.overflow), text);
            }
        }
    }

    // Three addresses with type and display name ("Ann Able (ann@example.com)"); the
    // rest to Notes as "E-mail 4" and on.
    void WriteEmails(Row& row) {
        std::string name = DisplayText(nameParts_[0], nameParts_[1], nameParts_[2]);
        for (std::size_t i = 0; i < emails_.size(); ++i) {
            if (i >= 3) {
                Note("E-mail " + std::to_string(i + 1), emails_[i]);
                continue;
            }
            row[kEmailColumns[i][0]] = emails_[i];
            row[kEmailColumns[i][1]] = "SMTP";
            row[kEmailColumns[i][2]] = name.empty() ? emails_[i] : name + " (" + emails_[i] + ")";
        }
        nameParts_ = {};
    }

    void Note(const std::string& label, const std::string& text) {
        if (!notes_.empty()) notes_ += '\n';
        notes_ += label;
        notes_ += ": ";
        notes_ += text;
        ++aside_;
    }

    std::unordered_map<std::string, std::size_t> sourceOf_;  // folded item name -> source
    std::string folded_, notes_, comment_;
    std::vector<std::string> emails_;
    std::array<std::string, 3> nameParts_;  // first, middle, last: the display name
};

} // namespace

std::unique_ptr<RowLayout> MakeOutlookLayout() { return std::make_unique<OutlookLayout>(); }

} // namespace tallowby
