#include "addressbook/DxlSession.h"
#include "addressbook/AsciiCase.h"

#include "addressbook/BookFile.h"

#include <climits>
#include <optional>
#include <string_view>
#include <new>

namespace tallowby {

namespace {

// The view a name asks for: "$People", or the groups by the names Notes gives their
// view ("Groups", "($Groups)", "($VIMGroups)").
std::optional<DxlBook::View> ViewNamed(std::string_view name) {
    if (EqualsIgnoringAsciiCase(name, "$People")) return DxlBook::View::People;
    for (const std::string_view groups : {"Groups", "($Groups)", "$Groups", "($VIMGroups)"})
        if (EqualsIgnoringAsciiCase(name, groups)) return DxlBook::View::Groups;
    return std::nullopt;
}

// A document of the book, decoded when it is first asked for an item.
class DxlDocument : public NotesDocument {
public:
    DxlDocument(std::shared_ptr<const DxlBook> book, DxlBook::View view, std::size_t index)
        : book_(std::move(book)), view_(view), index_(index) {}

    std::string UniversalID() override { return std::string(Decoded().unid); }
    std::string NoteID() override { return std::string(Decoded().noteid); }
    NotesValues GetItemValue(const std::string& itemName) override {
        const std::optional<std::uint32_t> name = book_->ItemNames().Find(itemName);
        if (!name) return DxlStoredDocument::Values(nullptr);
        // Callers ask for items mostly in the order they are stored: the search starts
        // after the item found last.
        const auto& items = Decoded().items;
        for (std::size_t k = 0, i = next_; k < items.size(); ++k, ++i) {
            if (i >= items.size()) i = 0;
            if (items[i].name == *name) {
                next_ = i + 1;
                return DxlStoredDocument::Values(&items[i]);
            }
        }
        return DxlStoredDocument::Values(nullptr);
    }
    std::vector<NotesItem> Items() override {
        const DxlStoredDocument& decoded = Decoded();
        std::vector<NotesItem> items;
        items.reserve(decoded.items.size());
        for (const auto& item : decoded.items)
            items.push_back({std::string(book_->ItemNames().Name(item.name)), item.kind,
                             DxlStoredDocument::Values(&item)});
        return items;
    }
    std::vector<std::string> ItemNames() override {
        std::vector<std::string> names;
        names.reserve(Decoded().items.size());
        for (const auto& item : Decoded().items) names.emplace_back(book_->ItemNames().Name(item.name));
        return names;
    }
    std::size_t BinaryItemCount() override { return Decoded().binaryItems; }
    std::optional<NotesDateTime> LastModified() override { return Decoded().modified; }

private:
    const DxlStoredDocument& Decoded() {
        if (!decoded_) decoded_ = book_->Document(view_, index_);
        return *decoded_;
    }

    std::shared_ptr<const DxlBook> book_;
    DxlBook::View view_;
    std::size_t index_;
    std::optional<DxlStoredDocument> decoded_;
    std::size_t next_ = 0;  // where the next item look-up starts
};

class DxlViewEntry : public NotesViewEntry {
public:
    DxlViewEntry(std::shared_ptr<const DxlBook> book, DxlBook::View view, std::size_t index)
        : book_(std::move(book)), view_(view), index_(index) {}

    std::shared_ptr<NotesDocument> Document() override {
        return std::make_shared<DxlDocument>(book_, view_, index_);
    }

    const DxlBook* book() const { return book_.get(); }
    DxlBook::View view() const { return view_; }
    std::size_t index() const { return index_; }

private:
    std::shared_ptr<const DxlBook> book_;
    DxlBook::View view_;
    std::size_t index_;
};

class DxlViewNavigator : public NotesViewNavigator {
public:
    DxlViewNavigator(std::shared_ptr<const DxlBook> book, DxlBook::View view) : book_(std::move(book)), view_(view) {}

    int32_t Count() override {
        const std::size_t n = book_->Count(view_);
        return n > static_cast<std::size_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(n);
    }

    std::shared_ptr<NotesViewEntry> GetFirstDocument() override { return EntryAt(0); }

    std::shared_ptr<NotesViewEntry> GetNextDocument(
        const std::shared_ptr<NotesViewEntry>& current) override {
        const auto* entry = dynamic_cast<const DxlViewEntry*>(current.get());
        if (entry == nullptr || entry->book() != book_.get() || entry->view() != view_)
            throw NotesError("GetNextDocument needs an entry of this view.");
        return EntryAt(entry->index() + 1);
    }

private:
    std::shared_ptr<NotesViewEntry> EntryAt(std::size_t index) const {
        if (index >= book_->Count(view_)) return nullptr;
        return std::make_shared<DxlViewEntry>(book_, view_, index);
    }

    std::shared_ptr<const DxlBook> book_;
    DxlBook::View view_;
};

class DxlView : public NotesView {
public:
    DxlView(std::shared_ptr<const DxlBook> book, DxlBook::View view) : book_(std::move(book)), view_(view) {}
    std::shared_ptr<NotesViewNavigator> CreateViewNav() override {
        return std::make_shared<DxlViewNavigator>(book_, view_);
    }

private:
    std::shared_ptr<const DxlBook> book_;
    DxlBook::View view_;
};

class DxlDatabase : public NotesDatabase {
public:
    DxlDatabase(std::shared_ptr<const DxlBook> book, NotesError notOpen)
        : book_(std::move(book)), notOpen_(std::move(notOpen)) {}

    std::string Title() override { return OpenBook().Title(); }

    std::shared_ptr<NotesView> GetView(const std::string& viewName) override {
        OpenBook();
        const std::optional<DxlBook::View> view = ViewNamed(viewName);
        if (!view)
            throw NotesError("The address book has no view \"" + viewName +
                             "\"; its person documents are in the view \"$People\", its groups in \"Groups\".");
        return std::make_shared<DxlView>(book_, *view);
    }

private:
    const DxlBook& OpenBook() const {
        if (!book_) throw notOpen_;
        return *book_;
    }

    std::shared_ptr<const DxlBook> book_;
    NotesError notOpen_;  // thrown by every member when there is no book
};

} // namespace

std::shared_ptr<NotesDatabase> MakeDxlDatabase(std::shared_ptr<const DxlBook> book,
                                               std::string notOpenReason) {
    return MakeDxlDatabase(std::move(book),
                           NotesError(notOpenReason.empty() ? "The database is not open." : notOpenReason));
}

std::shared_ptr<NotesDatabase> MakeDxlDatabase(std::shared_ptr<const DxlBook> book, NotesError notOpen) {
    return std::make_shared<DxlDatabase>(std::move(book), std::move(notOpen));
}

std::shared_ptr<NotesDatabase> DxlSession::GetDatabase(const std::string& server,
                                                       const std::string& fileName) {
    if (!server.empty())
        return MakeDxlDatabase(nullptr, "Cannot open \"" + fileName + "\" on the server \"" + server +
                                            "\": address books are read from local DXL files only. "
                                            "Leave the server empty.");
    try {
        return MakeDxlDatabase(DxlBook::ReadFile(fileName));
    } catch (const NotesError& e) {
        return MakeDxlDatabase(nullptr, e);
    } catch (const std::bad_alloc&) {
        const BookProblem problem = MemoryProblem();
        return MakeDxlDatabase(nullptr, NotesError("Cannot open \"" + fileName + "\": " + problem.reason + ".",
                                                   problem));
    }
}

} // namespace tallowby
