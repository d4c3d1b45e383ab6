#include "export/VCardCards.h"
#include "addressbook/AsciiCase.h"

#include "addressbook/ContactRecord.h"
#include "tallowby/Version.h"

#include <unordered_set>

namespace tallowby::vcard {

namespace {

// The items the card has a standard place for; every other item (Type and Form, the
// document's form, aside) becomes an X-NOTES- property.
enum Known : std::size_t {
    kFirstName, kMiddleInitial, kLastName, kTitle, kSuffix, kCompanyName, kDepartment, kJobTitle,
    kMailAddress, kInternetAddress, kMiscPhone1, kMiscPhone2, kMiscPhone3,
    kOfficePhone, kOfficeFax, kCellPhone, kPager, kHomePhone, kHomeFax, kPersPager,
    kOfficeStreet, kOfficeCity, kOfficeState, kOfficeZip, kOfficeCountry,
    kStreet, kCity, kState, kZip, kCountry,
    kWebSite, kBirthday, kAnniversary, kCategories, kComment,
    kSpouse, kChildren, kManager, kAssistant, kAltFullNameSort,
    kType, kForm, kKnownCount
};

constexpr std::string_view kKnownNames[kKnownCount] = {
    "FirstName", "MiddleInitial", "LastName", "Title", "Suffix", "CompanyName", "Department", "JobTitle",
    "MailAddress", "InternetAddress", "MiscPhone1", "MiscPhone2", "MiscPhone3",
    "OfficePhoneNumber", "OfficeFAXPhoneNumber", "CellPhoneNumber", "PhoneNumber_6", "PhoneNumber",
    "HomeFAXPhoneNumber", "PersPager",
    "OfficeStreetAddress", "OfficeCity", "OfficeState", "OfficeZip", "OfficeCountry",
    "StreetAddress", "City", "State", "Zip", "Country",
    "WebSite", "Birthday", "Anniversary", "Categories", "Comment",
    "Spouse", "Children", "Manager", "Assistant", "AltFullNameSort", "Type", "Form"};

// Only the TYPE values both RFCs define: destinations such as Google refuse others. A
// 4.0 number is said to be text: the value is the number as written, not a tel: URI.
struct Phone {
    Known item;
    std::string_view v3, v4;
};
constexpr Phone kPhones[] = {
    {kOfficePhone, "TYPE=WORK,VOICE", "VALUE=text;TYPE=work,voice"},
    {kOfficeFax, "TYPE=WORK,FAX", "VALUE=text;TYPE=work,fax"},
    {kCellPhone, "TYPE=CELL", "VALUE=text;TYPE=cell"},
    {kPager, "TYPE=PAGER", "VALUE=text;TYPE=pager"},
    {kHomePhone, "TYPE=HOME,VOICE", "VALUE=text;TYPE=home,voice"},
    {kHomeFax, "TYPE=HOME,FAX", "VALUE=text;TYPE=home,fax"},
    {kPersPager, "TYPE=CELL,HOME", "VALUE=text;TYPE=cell,home"},
};

// 4.0 has RELATED with a relation type; 3.0 has no property for relations at all.
struct Relation {
    Known item;
    std::string_view v3Property, v4Params;
};
constexpr Relation kRelations[] = {
    {kSpouse, "X-SPOUSE", "TYPE=spouse;VALUE=text"},
    {kChildren, "X-CHILDREN", "TYPE=child;VALUE=text"},
    {kManager, "X-MANAGER", "TYPE=co-worker;VALUE=text"},
    {kAssistant, "X-ASSISTANT", "TYPE=agent;VALUE=text"},
};

void Fold(std::string& out, std::string_view name) {
    out.assign(name);
    for (char& c : out) c = AsciiLower(c);
}

// A TEL takes free text, but an address or a value without a digit is no number.
bool LooksLikePhone(std::string_view value) {
    return value.find('@') == std::string_view::npos && value.find_first_of("0123456789") != std::string_view::npos;
}

// A value SORT-AS can hold in quotes: no quote, no comma (it separates the sort
// components), no caret (RFC 6868 escapes with it), no control character.
bool FitsSortAs(std::string_view value) {
    for (const char ch : value)
        if (ch == '"' || ch == ',' || ch == '^' || static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F) return false;
    return true;
}

std::vector<std::string> Texts(const NotesItem* item, bool zeroIsEmpty = false) {
    return item == nullptr ? std::vector<std::string>() : ItemTexts(*item, zeroIsEmpty);
}

const std::string& First(const std::vector<std::string>& texts) {
    static const std::string kNone;
    return texts.empty() ? kNone : texts.front();
}

} // namespace

struct CardMaker::PersonItems {
    const NotesItem* known[kKnownCount] = {};
    std::vector<const NotesItem*> others;  // in stored order
    std::size_t viewIndex = 0;
    const NotesItem* operator[](Known k) const { return known[k]; }
};

CardMaker::CardMaker(const VCardOptions& options, const BookOverview* overview)
    : version_(options.version == 4 ? 4 : 3), groupsAsCategories_(options.groupsAsCategories), overview_(overview) {
    for (std::size_t i = 0; i < kKnownCount; ++i) {
        Fold(folded_, kKnownNames[i]);
        known_.emplace(folded_, i);
    }
}

void CardMaker::Begin(CardText& card) const {
    card.Raw("BEGIN", {}, "VCARD");
    card.Raw("VERSION", {}, version_ == 4 ? "4.0" : "3.0");
    card.Raw("PRODID", {}, "-//Corvane//Tallowby " TALLOWBY_VERSION_MAJOR_MINOR "//EN");
}

void CardMaker::Person(ExportContact& contact, CardText& card) {
    PersonItems items;
    items.viewIndex = contact.viewIndex();
    for (const NotesItem& item : contact.Items()) {
        // The same names come back in every document: each is folded and looked up once.
        auto it = byName_.find(item.name);
        if (it == byName_.end()) {
            Fold(folded_, item.name);
            const auto known = known_.find(folded_);
            it = byName_.emplace(item.name, known == known_.end() ? kKnownCount : known->second).first;
        }
        if (it->second == kKnownCount) items.others.push_back(&item);
        else if (items.known[it->second] == nullptr) items.known[it->second] = &item;
    }
    Begin(card);
    Names(items, card);
    Addresses(items, card);
    Dates(items, card);
    Relations(items, card);
    for (const NotesItem* item : items.others)
        for (const std::string& text : Texts(item)) Aside(item->name, text, card);
    Identity(contact, card);
}

// N, FN, SORT-STRING or SORT-AS, ORG, TITLE and the e-mail addresses (FN may be one).
void CardMaker::Names(const PersonItems& items, CardText& card) {
    const auto last = Texts(items[kLastName]), first = Texts(items[kFirstName]),
               middle = Texts(items[kMiddleInitial]), title = Texts(items[kTitle], true),
               suffix = Texts(items[kSuffix], true), sort = Texts(items[kAltFullNameSort]);
    values_ += static_cast<int64_t>(last.size() + first.size() + middle.size() + title.size() + suffix.size());

    // E-mail: every value of the address items, each address once (as written); what
    // is no address stays with its item.
    std::vector<std::string> emails;
    std::string firstMail;
    for (const Known k : {kMailAddress, kInternetAddress, kMiscPhone1, kMiscPhone2, kMiscPhone3}) {
        for (std::string& text : Texts(items[k])) {
            ++values_;
            if (k == kMailAddress && firstMail.empty()) firstMail = text;
            if (!LooksLikeEmail(text)) {
                Aside(items[k]->name, text, card);
                continue;
            }
            bool seen = false;
            for (const std::string& known : emails) seen = seen || known == text;
            if (!seen) emails.push_back(std::move(text));
        }
    }

    std::size_t sortUsed = 0;
    std::string params;
    if (!sort.empty() && (version_ == 3 || FitsSortAs(sort[0]))) {
        sortUsed = 1;
        if (version_ == 4) params = "SORT-AS=\"" + sort[0] + "\"";
    }
    card.Structured("N", params, {&last, &first, &middle, &title, &suffix});

    const auto companies = Texts(items[kCompanyName]), departments = Texts(items[kDepartment]);
    std::string name = DisplayText(First(first), First(middle), First(last));
    if (name.empty()) name = First(companies);
    if (name.empty()) name = firstMail.empty() ? First(emails) : firstMail;
    if (name.empty()) name = kNoName;
    card.Text("FN", {}, name);
    if (sortUsed == 1 && version_ == 3) card.Text("SORT-STRING", {}, sort[0]);
    values_ += static_cast<int64_t>(sort.size());
    for (std::size_t i = sortUsed; i < sort.size(); ++i) Aside(items[kAltFullNameSort]->name, sort[i], card);

    // ORG: the company, then each department as a unit; a further company a card of
    // its own ORG.
    if (!companies.empty() || !departments.empty()) {
        const std::vector<std::string> company{First(companies)};
        std::vector<const std::vector<std::string>*> components{&company};
        std::vector<std::vector<std::string>> units;
        units.reserve(departments.size());
        for (const std::string& department : departments) units.push_back({department});
        for (const auto& unit : units) components.push_back(&unit);
        card.Structured("ORG", {}, components);
        for (std::size_t i = 1; i < companies.size(); ++i) card.Structured("ORG", {}, {&units.emplace_back(1, companies[i])});
    }
    values_ += static_cast<int64_t>(companies.size() + departments.size());
    for (const std::string& job : Texts(items[kJobTitle])) {
        card.Text("TITLE", {}, job);
        ++values_;
    }

    for (std::size_t i = 0; i < emails.size(); ++i)
        card.Text("EMAIL",
                  version_ == 4 ? (i == 0 ? "TYPE=work;PREF=1" : "TYPE=work")
                                : (i == 0 ? "TYPE=INTERNET,WORK,PREF" : "TYPE=INTERNET,WORK"),
                  emails[i]);
}

// TEL, ADR and URL.
void CardMaker::Addresses(const PersonItems& items, CardText& card) {
    for (const Phone& phone : kPhones) {
        for (const std::string& text : Texts(items[phone.item])) {
            ++values_;
            if (LooksLikePhone(text)) card.Text("TEL", version_ == 4 ? phone.v4 : phone.v3, text);
            else Aside(items[phone.item]->name, text, card);
        }
    }
    const auto address = [&](Known street, std::string_view v3, std::string_view v4) {
        std::vector<std::string> parts[5];
        bool any = false;
        for (std::size_t i = 0; i < 5; ++i) {
            parts[i] = Texts(items[static_cast<Known>(street + i)]);
            values_ += static_cast<int64_t>(parts[i].size());
            any = any || !parts[i].empty();
        }
        // post office box; extended address; street; locality; region; postal code; country
        if (any)
            card.Structured("ADR", version_ == 4 ? v4 : v3,
                            {nullptr, nullptr, &parts[0], &parts[1], &parts[2], &parts[3], &parts[4]});
    };
    address(kOfficeStreet, "TYPE=WORK", "TYPE=work");
    address(kStreet, "TYPE=HOME", "TYPE=home");
    for (const std::string& text : Texts(items[kWebSite])) {
        ++values_;
        if (IsPlainUri(text)) card.Raw("URL", {}, text);
        else Aside(items[kWebSite]->name, text, card);
    }
}

// BDAY and the anniversary: the first date of the item, as written; any other value
// stays with its item.
void CardMaker::Dates(const PersonItems& items, CardText& card) {
    const auto date = [&](Known k, std::string_view property) {
        const NotesItem* item = items[k];
        if (item == nullptr) return;
        bool written = false;
        for (const NotesValue& value : item->values) {
            NotesDateTime when;
            std::string text;
            bool isDate = false;
            if (const auto* stored = std::get_if<NotesDateTime>(&value)) {
                when = *stored;
                isDate = IsCalendarDate(when);
                text = IsoText(when);
            } else {
                text = ValueText(NotesValues{value}, TextRule{false, false, true}, item->kind);
                isDate = ParseIsoDate(text, when);
            }
            if (text.empty()) continue;
            ++values_;
            if (isDate && !written) {
                card.Raw(property, {}, DateValue(when, version_));
                written = true;
            } else {
                Aside(item->name, text, card);
            }
        }
    };
    date(kBirthday, "BDAY");
    date(kAnniversary, version_ == 4 ? "ANNIVERSARY" : "X-ANNIVERSARY");
}

// CATEGORIES (with the person's groups when asked), NOTE, and the related persons.
void CardMaker::Relations(const PersonItems& items, CardText& card) {
    std::vector<std::string> categories = Texts(items[kCategories]);
    values_ += static_cast<int64_t>(categories.size());
    if (groupsAsCategories_ && overview_ != nullptr && items.viewIndex < overview_->groupsOfPerson.size()) {
        for (const std::size_t g : overview_->groupsOfPerson[items.viewIndex]) {
            const std::string& group = overview_->groups[g].name;
            bool seen = group.empty();
            for (const std::string& category : categories) seen = seen || category == group;
            if (!seen) categories.push_back(group);
        }
    }
    if (!categories.empty()) card.List("CATEGORIES", {}, categories);

    const auto comments = Texts(items[kComment]);
    if (!comments.empty()) {
        std::string note;
        for (const std::string& comment : comments) (note.empty() ? note : note += '\n') += comment;
        card.Text("NOTE", {}, note);
        values_ += static_cast<int64_t>(comments.size());
    }
    for (const Relation& relation : kRelations) {
        for (const std::string& text : Texts(items[relation.item])) {
            ++values_;
            if (version_ == 4) card.Text("RELATED", relation.v4Params, text);
            else card.Text(relation.v3Property, {}, text);
        }
    }
}

// UID from the Universal ID, REV from the last change, and the card's end.
void CardMaker::Identity(ExportContact& contact, CardText& card) const {
    std::string unid;
    std::optional<NotesDateTime> modified;
    try {
        unid = contact.document().UniversalID();
        modified = contact.document().LastModified();
    } catch (const NotesError&) {
    }
    if (const std::string urn = UuidUrn(unid); !urn.empty()) card.Raw("UID", {}, urn);
    else if (!unid.empty()) card.Text("UID", version_ == 4 ? "VALUE=text" : "", unid);
    if (modified && IsCalendarDate(*modified)) card.Raw("REV", {}, UtcStamp(*modified));
    card.Raw("END", {}, "VCARD");
}

// A group: 4.0's KIND:group with MEMBER, or the form Apple's servers and clients read
// in 3.0 (X-ADDRESSBOOKSERVER-KIND, -MEMBER). Members are the cards' UIDs; an e-mail
// address of no person of the book a mailto: URI; anything else stays as written.
void CardMaker::Group(const BookGroup& group, CardText& card) {
    Begin(card);
    const std::vector<std::string> name{group.name.empty() ? std::string(kNoName) : group.name};
    if (version_ == 4) {
        card.Raw("KIND", {}, "group");
    } else {
        card.Raw("X-ADDRESSBOOKSERVER-KIND", {}, "group");
        card.Structured("N", {}, {&name, nullptr, nullptr, nullptr, nullptr});
    }
    card.Text("FN", {}, name[0]);
    if (!group.aliases.empty()) card.List("NICKNAME", {}, group.aliases);
    if (!group.description.empty()) card.Text("NOTE", {}, group.description);
    if (!group.type.empty()) card.Text("X-NOTES-GROUPTYPE", {}, group.type);
    values_ += static_cast<int64_t>(!group.name.empty() + group.aliases.size() + !group.description.empty() +
                                    !group.type.empty() + group.members.size());

    std::unordered_set<std::string> written;
    for (const GroupMember& member : group.members) {
        std::string uri;
        if (overview_ != nullptr && member.kind == GroupMember::Kind::Person && member.index < overview_->persons.size())
            uri = UuidUrn(overview_->persons[member.index].unid);
        else if (overview_ != nullptr && member.kind == GroupMember::Kind::Group && member.index < overview_->groups.size())
            uri = UuidUrn(overview_->groups[member.index].unid);
        else if (member.kind == GroupMember::Kind::Unknown && LooksLikeEmail(member.text))
            uri = MailtoUri(member.text);
        if (uri.empty()) {
            card.Text("X-NOTES-MEMBER", {}, member.text);
            ++aside_;
        } else if (written.insert(uri).second) {
            card.Raw(version_ == 4 ? "MEMBER" : "X-ADDRESSBOOKSERVER-MEMBER", {}, uri);
        }
    }
    if (const std::string urn = UuidUrn(group.unid); !urn.empty()) card.Raw("UID", {}, urn);
    else if (!group.unid.empty()) card.Text("UID", version_ == 4 ? "VALUE=text" : "", group.unid);
    card.Raw("END", {}, "VCARD");
}

void CardMaker::Aside(const std::string& item, const std::string& text, CardText& card) {
    card.Text(PropertyFor(item), {}, text);
    ++aside_;
}

const std::string& CardMaker::PropertyFor(const std::string& item) {
    auto it = asideNames_.find(item);
    if (it == asideNames_.end()) it = asideNames_.emplace(item, NotesPropertyName(item)).first;
    return it->second;
}

} // namespace tallowby::vcard
