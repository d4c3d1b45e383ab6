// The element state machine of the DXL reader: which elements are open, and what of
// them is kept. It runs as expat's handlers on one parser:
//   database > document | note[class=document] > noteinfo > modified > datetime
//                                               | item > value
// where a value is text, number, datetime, one of the lists of these, or richtext.
// Everything else (design notes, noteinfo's other dates, Notes' own "$" items, binary
// data) is stepped over by swapping in handlers that only count nesting depth, so
// expat does almost all the work and few callbacks run. Character data is only
// delivered while a value is open.
//
// Per document the items are gathered in buffers reused from one document to the
// next; a person or group document then goes into the book's compact pools.
#pragma once

#include "addressbook/DxlDocumentPool.h"
#include "addressbook/DxlItemNames.h"
#include "addressbook/Notes.h"

#include <expat.h>

#include <cstdint>
#include <functional>
#include <new>
#include <string>
#include <vector>

namespace tallowby {

inline constexpr const char* kDxlNamespace = "http://www.lotus.com/dxl";
// Names as expat reports them with namespace processing: "uri\x01local".
inline constexpr char kDxlNameSeparator = '\x01';

class DxlContent {
public:
    // Sets its handlers on the parser, with itself as the parser's user data. The
    // database's title goes to `title`, item names to `names`, the person documents
    // to `persons` and the group documents to `groups`.
    DxlContent(XML_Parser parser, std::string& title, DxlItemNames& names, DxlDocumentPool& persons,
               DxlDocumentPool& groups);
    DxlContent(const DxlContent&) = delete;
    DxlContent& operator=(const DxlContent&) = delete;

    // Stops the parser (unless told not to, for a handler that fails by itself); the
    // read then fails with this problem. The first problem counts.
    void Refuse(BookProblem problem, bool stopParser = true);
    // A handler ran out of memory: stops the parser without allocating anything more.
    void OutOfMemory();

    // Calls `pace` every few thousand elements and runs of text, from inside the
    // parse: the reader's checkpoints while expat parses the book in one call. It
    // must not throw.
    void SetPace(std::function<void()> pace) { pace_ = std::move(pace); }

    bool stopped() const { return stopped_; }
    bool outOfMemory() const { return outOfMemory_; }
    const BookProblem& refusal() const { return refusal_; }

    // Runs a handler's work on the parser's user data; running out of memory there
    // stops the parser instead of unwinding through expat.
    template <class F>
    static void Guarded(void* data, F&& work) {
        auto* self = static_cast<DxlContent*>(data);
        try {
            work(*self);
        } catch (const std::bad_alloc&) {
            self->OutOfMemory();
        }
    }

private:
    // What element is open, for the elements the reader does not step over.
    enum State : std::uint8_t {
        kTop,       // before the root
        kDatabase,  // the root: <database>
        kDocument,  // <document> or <note class='document'>
        kNoteInfo,  // <noteinfo>
        kModified,  // <noteinfo><modified>
        kModifiedValue,  // its <datetime>
        kItem,      // a kept <item>
        kList,      // <textlist>, <numberlist>, <datetimelist>
        kPair,      // <datetimepair>: only its first date-time counts
        kTextValue, // <text>
        kNumberValue,
        kDateTimeValue,
        kRichText,  // <richtext>: its own handlers run inside
    };
    using Value = DxlGatheredDocument::Value;

    // Handler sets: the main state machine, stepping over an element, rich text.
    void SetMainHandlers();
    void SetCharacterHandler(XML_CharacterDataHandler handler);  // when it changes
    void SetCharacterHandlerForState();
    void SkipElement();  // steps over the element just started and everything inside it
    void Push(State s);
    static void XMLCALL MainStart(void* data, const XML_Char* name, const XML_Char** atts);
    static void XMLCALL MainEnd(void* data, const XML_Char*);
    static void XMLCALL SkipStart(void* data, const XML_Char*, const XML_Char**);
    static void XMLCALL SkipEnd(void* data, const XML_Char*);
    static void XMLCALL TextCharacters(void* data, const XML_Char* s, int len);
    static void XMLCALL ScalarCharacters(void* data, const XML_Char* s, int len);

    void Start(const XML_Char* name, const XML_Char** atts);
    bool StartScalar(const char* local);
    void End();
    void StartDocument(const XML_Char* form);
    void StartItem(const XML_Char** atts);
    // The item being read holds values of this kind (its first value decides).
    void ItemHolds(ItemKind kind);
    bool HasForm(const char* form) const;
    void EndDocument();
    void StartRichText();
    static void XMLCALL RichStart(void* data, const XML_Char* name, const XML_Char**);
    static void XMLCALL RichEnd(void* data, const XML_Char*);
    static void XMLCALL RichCharacters(void* data, const XML_Char* s, int len);

    static constexpr std::size_t kScalarLimit = 64;
    static constexpr std::uint32_t kPaceEvery = 1024;

    void Paced() {
        if (--untilPace_ == 0) Pace();
    }
    void Pace();

    XML_Parser parser_;
    std::string& title_;
    DxlItemNames& names_;
    DxlDocumentPool& persons_;
    DxlDocumentPool& groups_;
    // The numbers of the items that decide what a document is and where it sorts.
    std::uint32_t typeItem_, formItem_, firstNameItem_, lastNameItem_, listNameItem_;
    bool stopped_ = false;
    bool outOfMemory_ = false;
    BookProblem refusal_;
    std::function<void()> pace_;
    std::uint32_t untilPace_ = kPaceEvery;

    XML_CharacterDataHandler characterHandler_ = nullptr;
    std::vector<State> stack_{kTop};
    std::size_t skipDepth_ = 0;

    // The document being read.
    bool hasFormAttribute_ = false;
    std::string formAttribute_;
    DxlGatheredDocument document_;
    std::string scalar_;  // the number or date-time being read, at most kScalarLimit bytes
    // Per item number, the serial of the last document that had an item of that name:
    // only the first item of a name counts, as with Notes' GetItemValue.
    std::vector<std::uint32_t> seenIn_;
    std::uint32_t documentSerial_ = 0;
    std::uint32_t previousItem_ = DxlItemNames::kNoItem;  // the document's item before, for the guess
    int pairCount_ = 0;
    std::string sortKey_;

    // Rich text: one entry per open element inside <richtext>: bit 0 text counts
    // directly inside it, bit 1 it is a paragraph.
    std::vector<std::uint8_t> richFlags_;
    std::size_t parDepth_ = 0;
    std::size_t paragraphs_ = 0;
};

} // namespace tallowby
