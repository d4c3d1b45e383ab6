#include "addressbook/DxlContent.h"

#include "addressbook/DxlValues.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace tallowby {

namespace {

constexpr std::string_view kDxlPrefix = "http://www.lotus.com/dxl\x01";

// The local name of a DXL element, or nullptr for an element of another namespace.
inline const char* DxlLocal(const XML_Char* name) {
    return std::memcmp(name, kDxlPrefix.data(), kDxlPrefix.size()) == 0 ? name + kDxlPrefix.size() : nullptr;
}

inline bool Is(const char* local, const char* literal) {
    return local != nullptr && std::strcmp(local, literal) == 0;
}

const XML_Char* Attribute(const XML_Char** atts, const char* name) {
    for (; *atts != nullptr; atts += 2)
        if (std::strcmp(atts[0], name) == 0) return atts[1];
    return nullptr;
}

std::string Printable(const XML_Char* name) {
    std::string s(name);
    std::replace(s.begin(), s.end(), kDxlNameSeparator, ' ');
    return s;
}

} // namespace

DxlContent::DxlContent(XML_Parser parser, std::string& title, DxlItemNames& names, DxlDocumentPool& persons,
                       DxlDocumentPool& groups)
    : parser_(parser), title_(title), names_(names), persons_(persons), groups_(groups),
      typeItem_(names.Intern("Type")), formItem_(names.Intern("Form")), firstNameItem_(names.Intern("FirstName")),
      lastNameItem_(names.Intern("LastName")), listNameItem_(names.Intern("ListName")) {
    XML_SetUserData(parser_, this);
    SetMainHandlers();
    document_.values.reserve(64);
    document_.items.reserve(64);
    scalar_.reserve(kScalarLimit);
}

void DxlContent::Refuse(BookProblem problem, bool stopParser) {
    if (!stopped_) refusal_ = std::move(problem);
    stopped_ = true;
    if (stopParser) XML_StopParser(parser_, XML_FALSE);
}

void DxlContent::OutOfMemory() {
    if (!stopped_) outOfMemory_ = true;
    stopped_ = true;
    XML_StopParser(parser_, XML_FALSE);
}

// -- handler sets ----------------------------------------------------------

void DxlContent::SetMainHandlers() {
    XML_SetElementHandler(parser_, &MainStart, &MainEnd);
    SetCharacterHandlerForState();
}

void DxlContent::SetCharacterHandler(XML_CharacterDataHandler handler) {
    if (handler == characterHandler_) return;
    characterHandler_ = handler;
    XML_SetCharacterDataHandler(parser_, handler);
}

void DxlContent::SetCharacterHandlerForState() {
    const State top = stack_.back();
    if (top == kTextValue)
        SetCharacterHandler(&TextCharacters);
    else if (top == kNumberValue || top == kDateTimeValue || top == kModifiedValue)
        SetCharacterHandler(&ScalarCharacters);
    else
        SetCharacterHandler(nullptr);
}

void DxlContent::SkipElement() {
    skipDepth_ = 0;
    XML_SetElementHandler(parser_, &SkipStart, &SkipEnd);
    SetCharacterHandler(nullptr);
}

void XMLCALL DxlContent::SkipStart(void* data, const XML_Char*, const XML_Char**) {
    auto* self = static_cast<DxlContent*>(data);
    ++self->skipDepth_;
    self->Paced();
}

void XMLCALL DxlContent::SkipEnd(void* data, const XML_Char*) {
    auto* self = static_cast<DxlContent*>(data);
    if (self->skipDepth_ == 0)
        self->SetMainHandlers();
    else
        --self->skipDepth_;
}

void XMLCALL DxlContent::TextCharacters(void* data, const XML_Char* s, int len) {
    Guarded(data, [&](DxlContent& self) {
        self.document_.text.append(s, static_cast<std::size_t>(len));
        self.Paced();
    });
}

void XMLCALL DxlContent::ScalarCharacters(void* data, const XML_Char* s, int len) {
    auto& scalar = static_cast<DxlContent*>(data)->scalar_;
    // A number or date-time is a few characters; more is not a valid value. The
    // buffer's capacity is reserved, so this never allocates.
    const std::size_t room = kScalarLimit - scalar.size();
    scalar.append(s, std::min(static_cast<std::size_t>(len), room));
}

void XMLCALL DxlContent::MainStart(void* data, const XML_Char* name, const XML_Char** atts) {
    Guarded(data, [&](DxlContent& self) {
        self.Start(name, atts);
        self.Paced();
    });
}

void XMLCALL DxlContent::MainEnd(void* data, const XML_Char*) {
    Guarded(data, [&](DxlContent& self) { self.End(); });
}

void DxlContent::Pace() {
    untilPace_ = kPaceEvery;
    if (pace_ && !stopped_) pace_();
}

void DxlContent::Push(State s) {
    stack_.push_back(s);
    SetCharacterHandlerForState();
}

// -- the main state machine ------------------------------------------------

void DxlContent::Start(const XML_Char* name, const XML_Char** atts) {
    if (stopped_) return;
    const char* local = DxlLocal(name);
    switch (stack_.back()) {
    case kTop:
        if (!Is(local, "database")) {
            Refuse({"it is not a Notes DXL database: its root element is <" + Printable(name) +
                        ">, not <database> in the namespace " + kDxlNamespace,
                    kExportAsDxl});
            return;
        }
        if (const XML_Char* title = Attribute(atts, "title")) title_ = title;
        Push(kDatabase);
        return;
    case kDatabase:
        if (Is(local, "document")) {
            StartDocument(Attribute(atts, "form"));
            return;
        }
        if (Is(local, "note")) {
            const XML_Char* cls = Attribute(atts, "class");
            if (cls != nullptr && std::strcmp(cls, "document") == 0) {
                StartDocument(nullptr);
                return;
            }
        }
        break;
    case kDocument:
        if (Is(local, "item")) {
            StartItem(atts);
            return;
        }
        if (Is(local, "noteinfo")) {
            if (const XML_Char* unid = Attribute(atts, "unid")) document_.unid = unid;
            if (const XML_Char* noteid = Attribute(atts, "noteid")) document_.noteid = noteid;
            Push(kNoteInfo);
            return;
        }
        break;
    case kNoteInfo:
        if (Is(local, "modified")) {
            Push(kModified);
            return;
        }
        break;
    case kModified:
        if (Is(local, "datetime")) {
            scalar_.clear();
            Push(kModifiedValue);
            return;
        }
        break;
    case kItem:  // most values are a single text: it is tried first
        if (StartScalar(local)) return;
        if (Is(local, "textlist") || Is(local, "numberlist") || Is(local, "datetimelist")) {
            ItemHolds(Is(local, "textlist") ? ItemKind::Text
                      : Is(local, "numberlist") ? ItemKind::Number : ItemKind::DateTime);
            Push(kList);
            return;
        }
        if (Is(local, "richtext")) {
            ItemHolds(ItemKind::RichText);
            StartRichText();
            return;
        }
        // Raw item data, an object, a picture...: binary, counted and not kept.
        document_.items.back().binary = true;
        break;
    case kList:
        if (StartScalar(local)) return;
        if (Is(local, "datetimepair")) {
            pairCount_ = 0;
            Push(kPair);
            return;
        }
        break;
    case kPair:
        if (Is(local, "datetime") && pairCount_++ == 0) {
            scalar_.clear();
            Push(kDateTimeValue);
            return;
        }
        break;
    case kTextValue:
        if (Is(local, "break")) document_.text += '\n';
        break;
    case kNumberValue:
    case kDateTimeValue:
    case kModifiedValue:
    case kRichText:
        break;
    }
    SkipElement();
}

void DxlContent::StartItem(const XML_Char** atts) {
    const XML_Char* name = Attribute(atts, "name");
    if (name == nullptr || name[0] == '$') {
        // Notes' own items ($UpdatedBy, $Revisions, $FILE...) hold its bookkeeping and
        // attachments, not the contact's data.
        ++document_.binaryItems;
        SkipElement();
        return;
    }
    const std::uint32_t id = names_.InternAfter(name, previousItem_);
    previousItem_ = id;
    if (id >= seenIn_.size()) seenIn_.resize(id + 1, 0);
    if (seenIn_[id] == documentSerial_) {  // the first item of a name counts
        SkipElement();
        return;
    }
    seenIn_[id] = documentSerial_;
    const auto flag = [&](const char* attribute) {
        const XML_Char* value = Attribute(atts, attribute);
        return value != nullptr && std::strcmp(value, "true") == 0;
    };
    const bool names = flag("names") || flag("readers") || flag("authors");
    document_.items.push_back({id, names ? ItemKind::Names : ItemKind::Text, false,
                               static_cast<std::uint32_t>(document_.values.size()), 0});
    Push(kItem);
}

void DxlContent::ItemHolds(ItemKind kind) {
    auto& item = document_.items.back();
    if (item.kind != ItemKind::Names && item.firstValue == document_.values.size()) item.kind = kind;
}

bool DxlContent::StartScalar(const char* local) {
    if (stack_.back() == kItem && (Is(local, "text") || Is(local, "number") || Is(local, "datetime")))
        ItemHolds(Is(local, "text") ? ItemKind::Text : Is(local, "number") ? ItemKind::Number : ItemKind::DateTime);
    if (Is(local, "text")) {
        document_.values.push_back({DxlValueKind::Text, document_.text.size(), 0, 0});
        Push(kTextValue);
        return true;
    }
    if (Is(local, "number") || Is(local, "datetime")) {
        scalar_.clear();
        Push(Is(local, "number") ? kNumberValue : kDateTimeValue);
        return true;
    }
    return false;
}

void DxlContent::End() {
    if (stopped_ || stack_.size() < 2) return;
    const State ended = stack_.back();
    stack_.pop_back();
    auto& values = document_.values;
    switch (ended) {
    case kTextValue:
        values.back().textLength = document_.text.size() - values.back().textOffset;
        break;
    case kNumberValue: {
        double number = 0;
        std::uint64_t bits = 0;
        const bool valid = ParseDxlNumber(scalar_, number);
        if (valid) std::memcpy(&bits, &number, sizeof bits);
        values.push_back({valid ? DxlValueKind::Number : DxlValueKind::Empty, 0, 0, bits});
        break;
    }
    case kDateTimeValue: {
        NotesDateTime dt;
        const bool valid = ParseDxlDateTime(scalar_, dt);
        values.push_back({valid ? DxlValueKind::DateTime : DxlValueKind::Empty, 0, 0,
                          valid ? PackDxlDateTime(dt) : 0});
        break;
    }
    case kModifiedValue: {
        NotesDateTime dt;
        if (ParseDxlDateTimeUtc(scalar_, dt)) document_.modified = dt;
        break;
    }
    case kItem: {
        auto& item = document_.items.back();
        item.valueCount = static_cast<std::uint32_t>(values.size() - item.firstValue);
        if (item.binary) {
            // Only binary data: the item is counted, and reads like one the document
            // lacks. Values beside the binary data are dropped with it.
            values.resize(item.firstValue);
            item.valueCount = 0;
            ++document_.binaryItems;
        }
        break;
    }
    case kDocument:
        EndDocument();
        break;
    default:
        break;
    }
    SetCharacterHandlerForState();
}

void DxlContent::StartDocument(const XML_Char* form) {
    hasFormAttribute_ = form != nullptr;
    formAttribute_ = form != nullptr ? form : "";
    document_.Clear();
    ++documentSerial_;
    previousItem_ = DxlItemNames::kNoItem;
    Push(kDocument);
}

// A document is what its Type item's first value says ("Person", "Group"); with no
// Type item, what its form says (the form attribute, or else the Form item).
bool DxlContent::HasForm(const char* form) const {
    if (document_.Find(typeItem_) != nullptr) return document_.FirstText(typeItem_) == form;
    if (hasFormAttribute_) return formAttribute_ == form;
    return document_.FirstText(formItem_) == form;
}

void DxlContent::EndDocument() {
    const bool person = HasForm("Person");
    if (!person && !HasForm("Group")) return;
    // The view's sort key: last name, a separator below every character, first name;
    // for a group its name.
    sortKey_.clear();
    if (person) {
        AppendFoldedForSort(sortKey_, document_.FirstText(lastNameItem_));
        sortKey_ += '\0';
        AppendFoldedForSort(sortKey_, document_.FirstText(firstNameItem_));
    } else {
        AppendFoldedForSort(sortKey_, document_.FirstText(listNameItem_));
    }
    if (!(person ? persons_ : groups_).Add(document_, sortKey_))
        Refuse({"one of its documents is larger than 4 GB",
                "Remove the large attachments or values from the address book and export it again."});
}

// -- rich text ---------------------------------------------------------------
//
// The plain text of a richtext item: the text inside its paragraphs (directly in
// <par>, or in <run> and the link elements), with <break/> as a line break and one
// line break between paragraphs. Text of pictures, attachments, formulas and other
// embedded objects is not part of it.

void DxlContent::StartRichText() {
    document_.values.push_back({DxlValueKind::Text, document_.text.size(), 0, 0});
    Push(kRichText);
    richFlags_.clear();
    parDepth_ = 0;
    paragraphs_ = 0;
    XML_SetElementHandler(parser_, &RichStart, &RichEnd);
    SetCharacterHandler(&RichCharacters);
}

void XMLCALL DxlContent::RichStart(void* data, const XML_Char* name, const XML_Char**) {
    Guarded(data, [&](DxlContent& self) {
        const char* local = DxlLocal(name);
        std::uint8_t flags = 0;
        if (Is(local, "par")) {
            if (self.paragraphs_++ > 0) self.document_.text += '\n';
            ++self.parDepth_;
            flags = 3;
        } else if (Is(local, "break")) {
            if (self.parDepth_ > 0) self.document_.text += '\n';
        } else if (Is(local, "run") || Is(local, "urllink") || Is(local, "doclink") ||
                   Is(local, "namedelementlink")) {
            flags = 1;
        }
        self.richFlags_.push_back(flags);
        self.Paced();
    });
}

void XMLCALL DxlContent::RichEnd(void* data, const XML_Char*) {
    auto* self = static_cast<DxlContent*>(data);
    if (self->richFlags_.empty()) {
        // </richtext>
        Value& v = self->document_.values.back();
        v.textLength = self->document_.text.size() - v.textOffset;
        self->stack_.pop_back();
        self->SetMainHandlers();
        return;
    }
    if (self->richFlags_.back() & 2) --self->parDepth_;
    self->richFlags_.pop_back();
}

void XMLCALL DxlContent::RichCharacters(void* data, const XML_Char* s, int len) {
    Guarded(data, [&](DxlContent& self) {
        if (self.parDepth_ > 0 && !self.richFlags_.empty() && (self.richFlags_.back() & 1))
            self.document_.text.append(s, static_cast<std::size_t>(len));
        self.Paced();
    });
}

} // namespace tallowby
