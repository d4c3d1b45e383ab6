// The whole book: every value of every item, the items beyond the classic columns in
// the order they first appear, names abbreviated, the Universal ID, and the groups with
// their members, read back by openpyxl, Python's csv module and Gnumeric (the
// workbook: its CSV import guesses numbers). The columns and values are stated here,
// apart from the code's tables.
#include "ExportTestSupport.h"

#include <gtest/gtest.h>

namespace tallowby::test {
namespace {


std::string Item(const std::string& name, const std::string& values, const std::string& attributes = "") {
    return "<item name='" + name + "'" + attributes + ">" + values + "</item>";
}
std::string Texts(std::initializer_list<const char*> values) {
    std::string list = "<textlist>";
    for (const char* value : values) list += std::string("<text>") + value + "</text>";
    return list + "</textlist>";
}

// A JSON string (the values here need only quotes, backslashes and line breaks escaped).
std::string Json(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) out += c == '"' ? "\\\"" : c == '\\' ? "\\\\" : c == '\n' ? "\\n" : std::string(1, c);
    return out + "\"";
}
std::string JsonRows(const std::vector<std::vector<std::string>>& rows) {
    std::string out = "[";
    for (const auto& row : rows) {
        out += out.size() > 1 ? ",[" : "[";
        for (std::size_t i = 0; i < row.size(); ++i) out += (i ? "," : "") + Json(row[i]);
        out += "]";
    }
    return out + "]";
}

class FullLayoutTest : public ::testing::TestWithParam<ExportFormat> {};

TEST_P(FullLayoutTest, EveryValueEveryItemAndTheGroupsReadBackWhole) {
    TempDir dir;
    const std::string book = dir / "Names.DXL";
    WriteFile(book, DxlBook(
        Person(2, "Bob", "Baker",
               Item("FullName", Texts({"CN=Bob Baker/OU=Sales/O=Acme", "Bob Baker"}), " names='true'") +
               Item("InternetAddress", "<text>bob@acme.example</text>") + Item("Suffix", "<text>0</text>") +
               Item("$UpdatedBy", "<text>CN=Admin/O=Acme</text>") + Item("Form", "<text>Person</text>") +
               Item("Photo", "<rawitemdata type='1'>AAEC</rawitemdata>")) +
        Person(1, "Ann", "Able",
               Item("MailAddress", Texts({"ann@acme.example", "ann@home.example"})) +
               Item("Manager", "<text>CN=Bob Baker/OU=Sales/O=Acme</text>", " names='true'") +
               Item("Categories", Texts({"VIP", "Sales", "Ünïcødé"})) + Item("NickName", Texts({"Annie", "Nan"})) +
               Item("Comment", "<richtext><par>First line</par><par>Second, \"quoted\"</par></richtext>") +
               Item("Pronunciation", "<text>an</text>")) +
        "<document form='Group'><noteinfo unid='G1'/>" + Item("Type", "<text>Group</text>") +
        Item("ListName", Texts({"Sales", "Vertrieb"})) + Item("ListDescription", "<text>The sales team</text>") +
        Item("GroupType", "<text>1</text>") +
        Item("Members", Texts({"CN=Bob Baker/OU=Sales/O=Acme", "ann@home.example", "Support", "x@else.example"})) +
        "</document>\n<document form='Group'><noteinfo unid='G2'/>" + Item("Type", "<text>Group</text>") +
        Item("ListName", "<text>Support</text>") + Item("Members", Texts({"Sales"})) + "</document>\n"));
    const ExportFormat format = GetParam();
    const ExportResult result = Export(book, {}, format, ExportLayout::Full);
    ASSERT_EQ(result.outcome, ExportOutcome::Completed) << result.message;
    const std::string file = dir / ("names-full" + std::string(FormatExtension(format)));
    std::vector<std::string> files{file};
    if (format == ExportFormat::Csv) files.push_back(dir / "names-full-groups.csv");
    EXPECT_EQ(result.files, files);
    EXPECT_EQ(result.message,
              "2 Contacts Saved Successfully\r\n\r\n2 groups and 27 values written" +
                  std::string(format == ExportFormat::Csv ? "; the groups are in " + files[1] : "") +
                  ".\r\n\r\n2 items hold binary data (attachments, pictures) or Notes' own bookkeeping ($ items); "
                  "such items are not exported.");

    // The classic columns, then the other items in the order they first appear in the
    // view (Ann comes first), $ items, Type and Form left out, then the Universal ID.
    std::vector<std::string> header(std::begin(kClassicHeaders), std::end(kClassicHeaders));
    for (const char* extra : {"NickName", "Pronunciation", "FullName", "InternetAddress", "Universal ID"})
        header.push_back(extra);
    std::vector<std::string> ann(header.size()), bob(header.size());
    ann[0] = "Ann", ann[2] = "Able", ann[3] = "ann@acme.example\nann@home.example", ann[11] = "Bob Baker/Sales/Acme";
    ann[37] = "VIP\nSales\nÜnïcødé", ann[38] = "First line\nSecond, \"quoted\"", ann[39] = "Annie\nNan";
    ann[40] = "an", ann[43] = "00000000000000000000000000100001";
    bob[0] = "Bob", bob[2] = "Baker", bob[41] = "Bob Baker/Sales/Acme\nBob Baker", bob[42] = "bob@acme.example";
    bob[43] = "00000000000000000000000000100002";  // Suffix "0" is none
    const std::vector<std::vector<std::string>> groups = {
        {"Group Name", "Aliases", "Description", "Group Type", "Members", "Resolved Members"},
        {"Sales", "Vertrieb", "The sales team", "Mail only",
         "Bob Baker/Sales/Acme\nann@home.example\nSupport\nx@else.example",
         "Bob Baker\nAnn Able <ann@acme.example>"},
        {"Support", "", "", "", "Sales", "Bob Baker\nAnn Able <ann@acme.example>"}};
    WriteFile(dir / "expected.json", "{\"contacts\": " + JsonRows({header, ann, bob}) + ", \"groups\": " +
                                          JsonRows(groups) + "}");
    const ChildRun run = RunProgram({"/usr/bin/python3", TALLOWBY_READ_FULL_PY, std::string(FormatName(format)), file,
                                     dir / "expected.json", dir.path()}, dir.path());
    EXPECT_EQ(run.out + run.err, "all rows agree\n");
}

INSTANTIATE_TEST_SUITE_P(Formats, FullLayoutTest, ::testing::Values(ExportFormat::Xlsx, ExportFormat::Csv),
                         [](const auto& info) { return std::string(FormatName(info.param)); });

} // namespace
} // namespace tallowby::test
