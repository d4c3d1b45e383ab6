#include "ui/ContactFilter.h"

#include <unicode/unistr.h>

namespace tallowby {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsAscii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Folds into `out`; ASCII, the common case, without ICU.
void AppendFolded(std::string_view text, std::string& out) {
    if (IsAscii(text)) {
        for (const char c : text) out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        return;
    }
    icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())))
        .foldCase()
        .toUTF8String(out);
}

} // namespace

std::string FoldForFilter(std::string_view text) {
    std::string folded;
    AppendFolded(Trimmed(text), folded);
    return folded;
}

ContactFilter::ContactFilter(const std::vector<ScannedContact>& contacts) {
    starts_.reserve(contacts.size() + 1);
    for (const ScannedContact& contact : contacts) {
        starts_.push_back(haystack_.size());
        // A NUL between the parts, which no typed text holds: a match never spans two.
        AppendFolded(contact.text, haystack_);
        haystack_ += '\0';
        AppendFolded(contact.company, haystack_);
        haystack_ += '\0';
        AppendFolded(contact.email, haystack_);
    }
    starts_.push_back(haystack_.size());
}

bool ContactFilter::Matches(std::size_t index, std::string_view folded) const {
    if (index >= size() || folded.find('\0') != std::string_view::npos) return false;
    const std::string_view text(haystack_.data() + starts_[index], starts_[index + 1] - starts_[index]);
    return text.find(folded) != std::string_view::npos;
}

std::string CountedCaption(const std::string& caption, std::size_t count) {
    return caption + " (" + std::to_string(count) + ")";
}

ContactTree ContactFilter::Narrow(const ContactTree& full, std::string_view typed) const {
    const std::string folded = FoldForFilter(typed);
    const bool filtering = !folded.empty();
    const auto& nodes = full.nodes();
    ContactTree tree;
    tree.Reserve(nodes.size());
    std::vector<std::size_t> shown;
    for (const ContactTree::Node& root : nodes) {
        if (!root.parentKey.empty()) continue;
        tree.Add("", root.key, root.text, root.image, root.contact);
        if (root.expanded) tree.Expand(root.key);
        for (const std::size_t letterIndex : root.children) {
            const ContactTree::Node& letter = nodes[letterIndex];
            shown.clear();
            for (const std::size_t child : letter.children)
                if (!filtering || Matches(nodes[child].contact, folded)) shown.push_back(child);
            if (filtering && shown.empty()) continue;
            tree.Add(root.key, letter.key, CountedCaption(letter.text, shown.size()), letter.image, letter.contact);
            for (const std::size_t child : shown) {
                const ContactTree::Node& contact = nodes[child];
                tree.Add(letter.key, contact.key, contact.text, contact.image, contact.contact);
            }
            if (filtering || letter.expanded) tree.Expand(letter.key);
        }
    }
    return tree;
}

} // namespace tallowby
