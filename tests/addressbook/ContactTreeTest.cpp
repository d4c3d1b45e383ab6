// The default tree and the in-memory tree.
#include "addressbook/ContactTree.h"

#include <gtest/gtest.h>

#include <string>

namespace tallowby {
namespace {

TEST(DefaultTree, RootThenTwentySixLettersThenOther) {
    MemoryContactTree tree;
    PopulateDefaultTree(tree);
    EXPECT_TRUE(tree.displayOptionsSet());
    const auto& nodes = tree.nodes();
    ASSERT_EQ(nodes.size(), 28u);

    EXPECT_EQ(nodes[0].key, "Lotus Notes Address Book");
    EXPECT_EQ(nodes[0].text, "Notes Address Book");
    EXPECT_EQ(nodes[0].image, 1);
    EXPECT_EQ(nodes[0].parentKey, "");
    EXPECT_TRUE(nodes[0].expanded);
    EXPECT_EQ(nodes[0].children.size(), 27u);

    for (int i = 1; i <= 27; ++i) {
        const auto& node = nodes[static_cast<std::size_t>(i)];
        const std::string expected = i <= 26 ? std::string(1, static_cast<char>('A' + i - 1)) : "Other";
        EXPECT_EQ(node.key, expected);
        EXPECT_EQ(node.text, expected);
        EXPECT_EQ(node.image, 2);
        EXPECT_EQ(node.parentKey, "Lotus Notes Address Book");
        EXPECT_EQ(node.tag, "");
        EXPECT_FALSE(node.expanded) << expected;
        EXPECT_TRUE(node.children.empty());
    }

    const auto order = tree.InTreeOrder();
    ASSERT_EQ(order.size(), 28u);
    EXPECT_EQ(order[0].second, 0);
    EXPECT_EQ(order[1].first->key, "A");
    EXPECT_EQ(order[27].first->key, "Other");
    EXPECT_EQ(order[27].second, 1);
}

TEST(MemoryTree, AddRefusesDuplicateKeysMissingParentsAndEmptyKeys) {
    MemoryContactTree tree;
    PopulateDefaultTree(tree);
    EXPECT_TRUE(tree.Add("A", "k1", "Ann", kImageContact));
    EXPECT_FALSE(tree.Add("B", "k1", "Bob", kImageContact));  // key present
    EXPECT_FALSE(tree.Add("A", "A", "again", kImageContact));
    EXPECT_FALSE(tree.Add("NoSuchParent", "k3", "x", kImageContact));
    EXPECT_FALSE(tree.Add("A", "", "x", kImageContact));
    EXPECT_EQ(tree.Find("k1")->text, "Ann");
    EXPECT_FALSE(tree.Contains("k3"));
    EXPECT_EQ(tree.nodes().size(), 29u);
}

TEST(MemoryTree, TagTextAndExpandByKey) {
    MemoryContactTree tree;
    PopulateDefaultTree(tree);
    ASSERT_TRUE(tree.Add("A", "k1", "Ann", kImageContact));
    EXPECT_EQ(tree.Tag("k1"), std::optional<std::string>(""));
    EXPECT_TRUE(tree.SetTag("k1", "Ann|||"));
    EXPECT_TRUE(tree.SetText("k1", "Ann Lee"));
    EXPECT_TRUE(tree.Expand("k1"));
    EXPECT_EQ(tree.Tag("k1"), std::optional<std::string>("Ann|||"));
    EXPECT_EQ(tree.Find("k1")->text, "Ann Lee");
    EXPECT_TRUE(tree.Find("k1")->expanded);

    EXPECT_EQ(tree.Tag("missing"), std::nullopt);
    EXPECT_FALSE(tree.SetTag("missing", "x"));
    EXPECT_FALSE(tree.SetText("missing", "x"));
    EXPECT_FALSE(tree.Expand("missing"));
    EXPECT_EQ(tree.Find("missing"), nullptr);
}

TEST(MemoryTree, TreeOrderIsDepthFirstWithChildrenInInsertionOrder) {
    MemoryContactTree tree;
    PopulateDefaultTree(tree);
    ASSERT_TRUE(tree.Add("Z", "z1", "Zoe", kImageContact));
    ASSERT_TRUE(tree.Add("A", "a1", "Ann", kImageContact));
    ASSERT_TRUE(tree.Add("Other", "o1", "7 Up", kImageContact));
    ASSERT_TRUE(tree.Add("A", "a2", "Abe", kImageContact));  // after Ann, not sorted
    ASSERT_TRUE(tree.Add("a1", "deep", "child", kImageContact));

    std::vector<std::string> keys;
    std::vector<int> depths;
    for (const auto& [node, depth] : tree.InTreeOrder()) {
        keys.push_back(node->key);
        depths.push_back(depth);
    }
    ASSERT_EQ(keys.size(), 33u);
    const std::vector<std::string> head = {"Lotus Notes Address Book", "A", "a1", "deep", "a2", "B"};
    EXPECT_EQ(std::vector<std::string>(keys.begin(), keys.begin() + 6), head);
    EXPECT_EQ(std::vector<int>(depths.begin(), depths.begin() + 6), (std::vector<int>{0, 1, 2, 3, 2, 1}));
    EXPECT_EQ(keys[keys.size() - 4], "Z");
    EXPECT_EQ(keys[keys.size() - 3], "z1");
    EXPECT_EQ(keys[keys.size() - 2], "Other");
    EXPECT_EQ(keys.back(), "o1");
}

} // namespace
} // namespace tallowby
