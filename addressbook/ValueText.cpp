#include "addressbook/ValueText.h"

namespace tallowby {

namespace {

bool StartsWithLabel(std::string_view component, std::string_view label) {
    if (component.size() < label.size()) return false;
    for (std::size_t i = 0; i < label.size(); ++i) {
        char c = component[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != label[i]) return false;
    }
    return true;
}

// The label of a canonical name's component ("CN=", "OU=", "O=", "C="), or "".
std::string_view LabelOf(std::string_view component) {
    for (const std::string_view label : {"CN=", "OU=", "O=", "C="})
        if (StartsWithLabel(component, label)) return label;
    return {};
}

} // namespace

bool IsCanonicalName(std::string_view name) {
    if (!StartsWithLabel(name, "CN=")) return false;
    for (std::size_t slash = name.find('/'); slash != std::string_view::npos; slash = name.find('/', slash + 1))
        if (!LabelOf(name.substr(slash + 1)).empty()) return true;
    return false;
}

std::string AbbreviatedName(std::string_view name) {
    if (!IsCanonicalName(name)) return std::string(name);
    std::string out;
    out.reserve(name.size());
    for (std::size_t start = 0;;) {
        const std::size_t slash = name.find('/', start);
        std::string_view component = name.substr(start, slash == std::string_view::npos ? slash : slash - start);
        component.remove_prefix(LabelOf(component).size());
        out += component;
        if (slash == std::string_view::npos) return out;
        out += '/';
        start = slash + 1;
    }
}

std::string ValueText(const NotesValues& values, const TextRule& rule, ItemKind kind) {
    const auto text = [&](const NotesValue& value) {
        std::string shown = ValueToText(value);
        if (rule.abbreviateNames && (kind == ItemKind::Names || IsCanonicalName(shown)))
            shown = AbbreviatedName(shown);
        if (rule.zeroIsEmpty && shown == "0") shown.clear();
        return shown;
    };
    if (!rule.allValues) return values.empty() ? std::string() : text(values.front());
    std::string joined;
    for (const NotesValue& value : values) {
        const std::string shown = text(value);
        if (shown.empty()) continue;
        if (!joined.empty()) joined += '\n';
        joined += shown;
    }
    return joined;
}

std::string ValueText(const NotesItem& item, const TextRule& rule) { return ValueText(item.values, rule, item.kind); }

} // namespace tallowby
