// A test book for the vCard and Outlook exports: items of many values, names in Notes'
// canonical form, an address where a phone number belongs and a Notes address where an
// e-mail address belongs, dates as dates and as text, non-Latin text, and groups with
// a nested group, a cycle, an outside address and a member nobody is.
#pragma once

#include "ExportTestSupport.h"

#include <initializer_list>

namespace tallowby::test {

// An item holding a text, or the DXL of its values when `value` starts with "<".
inline std::string Item(const std::string& name, const std::string& value, const std::string& attributes = "") {
    return "<item name='" + name + "'" + attributes + ">" + (value[0] == '<' ? value : "<text>" + value + "</text>") +
           "</item>\n";
}
inline std::string Names(const std::string& name, const std::string& value) { return Item(name, value, " names='true'"); }
inline std::string TextList(std::initializer_list<std::string> texts) {
    std::string list = "<textlist>";
    for (const std::string& text : texts) list += "<text>" + text + "</text>";
    return list + "</textlist>";
}

// ------------------------------------------------------------- JSON for the readers

inline std::string Json(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += {'\\', c};
        else if (c == '\n') out += "\\n";
        else if (static_cast<unsigned char>(c) < 0x20) out += "\\u00" + std::string{"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
        else out += c;
    }
    return out + "\"";
}
inline std::string Json(const std::vector<std::string>& list) {
    std::string out = "[";
    for (const std::string& item : list) out += (out.size() > 1 ? "," : "") + Json(item);
    return out + "]";
}
inline std::string Json(const std::vector<std::vector<std::string>>& components) {
    std::string out = "[";
    for (const auto& component : components) out += (out.size() > 1 ? "," : "") + Json(component);
    return out + "]";
}

inline std::string PersonUnid(int n) { return std::string(26, '0') + std::to_string(100000 + n); }
inline std::string GroupUnid(int n) { return "FF" + std::string(24, '0') + std::to_string(100000 + n); }

// A person document like Person()'s, with its last change when given.
inline std::string PersonDocument(int n, const std::string& first, const std::string& last, const std::string& more,
                                  const std::string& modified = "") {
    return "<document form='Person'><noteinfo noteid='" + std::to_string(1000 + n) + "' unid='" + PersonUnid(n) +
           "'>" + (modified.empty() ? "" : "<modified><datetime>" + modified + "</datetime></modified>") +
           "</noteinfo>\n" + Item("Type", "Person") + Item("FirstName", first) + Item("LastName", last) + more +
           "</document>\n";
}

inline std::string GroupDocument(int n, const std::string& listName, const std::string& more) {
    return "<document form='Group'><noteinfo noteid='" + std::to_string(5000 + n) + "' unid='" + GroupUnid(n) +
           "'/>\n" + Item("Type", "Group") + Item("ListName", listName) + more + "</document>\n";
}

// Ann Able: four e-mail addresses over three items (one twice), a phone number in an
// e-mail item, three office numbers, every kind of relation, a canonical manager.
inline std::string Ann(const std::string& categories = TextList({"A", "B, with comma", "C;semi"})) {
    return PersonDocument(
        1, "Ann", "Able",
        Item("MiddleInitial", "B.") + Item("Title", "Dr.") + Item("Suffix", "0") + Item("CompanyName", "Able &amp; Co") +
            Item("Department", "Sales") + Item("JobTitle", "Director") +
            Item("MailAddress", TextList({"ann@able.example", "ann.able@home.example"})) +
            Item("InternetAddress", "ann@able.example") + Item("MiscPhone1", "a.able@mail.example") +
            Item("MiscPhone2", "+1 555 0102") + Item("MiscPhone3", "ann4@four.example") +
            Item("OfficePhoneNumber", TextList({"+1 555 0100", "+1 555 0101", "+1 555 0199"})) +
            Item("OfficeFAXPhoneNumber", "+1 555 0109") + Item("OfficeStreetAddress", "1 Main St") +
            Item("OfficeCity", "Springfield") + Item("OfficeState", "IL") + Item("OfficeZip", "62701") +
            Item("OfficeCountry", "USA") + Item("Birthday", "<datetime>19620811</datetime>") +
            Item("Anniversary", "<datetime>19900620T230000,00-05</datetime>") + Item("Categories", categories) +
            Item("Comment", "one; two, three \\ four\nline two") + Names("Manager", "CN=Bob Baker/OU=Sales/O=Acme") +
            Item("Spouse", "Cy Able") + Item("Children", TextList({"Di", "Ed"})) + Item("Assistant", "Fay") +
            Item("AltFullNameSort", "Able Ann") + Item("WebSite", "https://able.example/a?b=c") +
            Item("Location", "Building 7") + Item("ShortName", "aable") + Item("Hobby_Main", "chess") +
            Names("FullName", TextList({"CN=Ann Able/O=Acme", "Ann Able"})),
        "20220203T144805,52-05");
}

// Bob Baker: a Notes mail address, an address in a phone item, a birthday as text,
// Cyrillic company and departments, a street of two lines, a long Japanese comment.
inline std::string Bob() {
    std::string comment;
    for (int i = 0; i < 40; ++i) comment += "東京";
    return PersonDocument(
        2, "Bob", "Baker",
        Names("FullName", "CN=Bob Baker/O=Acme") + Item("MailAddress", "Bob Baker/Acme@Acme") +
            Item("InternetAddress", "bob@baker.example") + Item("CellPhoneNumber", "bob@cell.example") +
            Item("PhoneNumber", "+49 30 1234") + Item("HomeFAXPhoneNumber", "+49 30 1235") +
            Item("PersPager", "+49 170 1") + Item("PhoneNumber_6", "+49 171 2") +
            Item("StreetAddress", TextList({"Hauptstraße 1", "Hinterhaus"})) + Item("City", "Berlin") +
            Item("Zip", "<number>10115</number>") + Item("Country", "Deutschland") + Item("Birthday", "1970-03-15") +
            Item("CompanyName", "Рога и копыта") + Item("Department", TextList({"Отдел", "Группа"})) +
            Item("Title", "<number>0</number>") + Item("Comment", comment));
}

inline std::string Taro() {
    return PersonDocument(4, "太郎", "山田",
                          Names("FullName", "CN=太郎 山田/O=Acme") + Item("Suffix", "Jr.") + Item("Title", "0") +
                              Item("JobTitle", "Engineer 😀") + Item("Birthday", "<datetime>20000229</datetime>") +
                              Item("MailAddress", "taro@yamada.example") + Item("MiscPhone1", "not an address"));
}

// Sales holds Ann, Bob, the group Nested (which holds Sales again), an outside address
// and a name nobody has; Solo holds Bob by his internet address; Empty has an alias.
inline std::string BookGroups() {
    return GroupDocument(1, "Sales",
                         Names("Members", TextList({"CN=Ann Able/O=Acme", "Bob Baker/Acme", "Nested",
                                                     "outsider@else.example", "Nobody Known/Acme"})) +
                             Item("ListDescription", "Everyone who sells") + Item("GroupType", "0")) +
           GroupDocument(2, "Nested", Names("Members", TextList({"Sales", "CN=太郎 山田/O=Acme"})) +
                                          Item("GroupType", "1")) +
           GroupDocument(3, TextList({"Empty", "Alias One"}), Item("ListDescription", "Nobody yet")) +
           GroupDocument(4, "Solo", Item("Members", "bob@baker.example"));
}

inline std::string ContactBook() {
    return DxlBook(Ann() + Bob() + PersonDocument(3, "", "", Item("CompanyName", "Ωmega Ltd")) + Taro() +
                   PersonDocument(5, "", "", "") + BookGroups());
}

} // namespace tallowby::test
