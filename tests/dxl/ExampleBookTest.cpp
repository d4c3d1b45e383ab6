// The sample address book examples/names.dxl, read from a copy in the test's folder.
#include "DxlTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace tallowby::dxltest {
namespace {

Walk WalkExample(const TempDir& dir) {
    const std::string copy = dir / "names.dxl";
    std::filesystem::copy_file(std::string(TALLOWBY_EXAMPLES_DIR) + "/names.dxl", copy);
    return WalkBook(copy);
}

std::size_t IndexOf(const Walk& walk, const std::string& unid) {
    const auto it = std::find_if(walk.documents.begin(), walk.documents.end(),
                                 [&](const Seen& d) { return d.unid == unid; });
    return static_cast<std::size_t>(it - walk.documents.begin());
}

TEST(ExampleBook, PeopleViewHoldsEveryPersonOnce) {
    TempDir dir;
    const Walk walk = WalkExample(dir);
    EXPECT_EQ(walk.title, "Corvane Directory");
    // 213 formatted person documents, one without a form attribute and one raw note;
    // groups, the server and the database documents are not persons.
    EXPECT_EQ(walk.count, 215);
    ASSERT_EQ(walk.documents.size(), 215u);
    std::set<std::string> keys;
    for (const Seen& d : walk.documents) {
        EXPECT_TRUE(keys.insert(d.unid + "-" + d.noteid).second) << d.unid;
        // A person by its Type item, or one without a Type item (a person by its form).
        const std::string type = d.Text("Type");
        EXPECT_TRUE(type == "Person" || type.empty()) << d.unid;
    }
    const std::size_t raw = IndexOf(walk, "580AD3960E66794EE543FA8DF9980BC8");
    ASSERT_LT(raw, walk.documents.size());
    EXPECT_EQ(walk.documents[raw].noteid, "dfe");
    EXPECT_EQ(walk.documents[raw].Text("FirstName"), "Rosamund");
}

TEST(ExampleBook, OrderedByLastNameThenFirstNameIgnoringCase) {
    TempDir dir;
    const Walk walk = WalkExample(dir);
    ASSERT_GE(walk.documents.size(), 8u);
    // Empty and blank last names come first; then "Aalberg".
    EXPECT_EQ(walk.documents[4].Text("LastName"), "Aalberg");
    EXPECT_EQ(walk.documents[4].Text("FirstName"), "Sigrid");
    EXPECT_EQ(walk.documents[4].unid, "EA09A2C648BBA48E3F183A3854FF9A8F");
    // The lower-case "adams" sorts among the capitalised names.
    const std::size_t adams = IndexOf(walk, "5DE2657068181C5FA7F5160AD07B9F58");
    ASSERT_GT(adams, 0u);
    ASSERT_LT(adams + 1, walk.documents.size());
    EXPECT_EQ(walk.documents[adams].Text("LastName"), "adams");
    EXPECT_EQ(walk.documents[adams - 1].Text("LastName"), "Achterberg");
    EXPECT_EQ(walk.documents[adams + 1].Text("LastName"), "Adebayo");
}

} // namespace
} // namespace tallowby::dxltest
