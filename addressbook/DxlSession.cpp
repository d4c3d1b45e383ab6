#include "addressbook/DxlSession.h"

#include "addressbook/BookFile.h"

#include <climits>
#include <new>

namespace tallowby {

namespace {

bool IsPeopleView(const std::string& name) {
    static constexpr char kPeople[] = "$people";
    if (name.size() != sizeof kPeople - 1) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kPeople[i]) return false;
    }
    return true;
}

class DxlDocument : public NotesDocument {
public:
    DxlDocument(std::shared_ptr<const DxlBook> book, std::size_t index)
        : person_(*book, index), book_(std::move(book)) {}

    std::string UniversalID() override { return std::string(person_.UniversalID()); }
    std::string NoteID() override { return std::string(person_.NoteID()); }
    NotesValues GetItemValue(const std::string& itemName) override {
        return person_.ItemValues(itemName);
    }

private:
    DxlBook::Person person_;  // points into the book, which book_ keeps alive
    std::shared_ptr<const DxlBook> book_;
};

class DxlViewEntry : public NotesViewEntry {
public:
    DxlViewEntry(std::shared_ptr<const DxlBook> book, std::size_t index)
        : book_(std::move(book)), index_(index) {}

    std::shared_ptr<NotesDocument> Document() override {
        return std::make_shared<DxlDocument>(book_, index_);
    }

    const DxlBook* book() const { return book_.get(); }
    std::size_t index() const { return index_; }

private:
    std::shared_ptr<const DxlBook> book_;
    std::size_t index_;
};

class DxlViewNavigator : public NotesViewNavigator {
public:
    explicit DxlViewNavigator(std::shared_ptr<const DxlBook> book) : book_(std::move(book)) {}

    int32_t Count() override {
        const std::size_t n = book_->PersonCount();
        return n > static_cast<std::size_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(n);
    }

    std::shared_ptr<NotesViewEntry> GetFirstDocument() override { return EntryAt(0); }

    std::shared_ptr<NotesViewEntry> GetNextDocument(
        const std::shared_ptr<NotesViewEntry>& current) override {
        const auto* entry = dynamic_cast<const DxlViewEntry*>(current.get());
        if (entry == nullptr || entry->book() != book_.get())
            throw NotesError("GetNextDocument needs an entry of this view.");
        return EntryAt(entry->index() + 1);
    }

private:
    std::shared_ptr<NotesViewEntry> EntryAt(std::size_t index) const {
        if (index >= book_->PersonCount()) return nullptr;
        return std::make_shared<DxlViewEntry>(book_, index);
    }

    std::shared_ptr<const DxlBook> book_;
};

class DxlPeopleView : public NotesView {
public:
    explicit DxlPeopleView(std::shared_ptr<const DxlBook> book) : book_(std::move(book)) {}
    std::shared_ptr<NotesViewNavigator> CreateViewNav() override {
        return std::make_shared<DxlViewNavigator>(book_);
    }

private:
    std::shared_ptr<const DxlBook> book_;
};

class DxlDatabase : public NotesDatabase {
public:
    DxlDatabase(std::shared_ptr<const DxlBook> book, NotesError notOpen)
        : book_(std::move(book)), notOpen_(std::move(notOpen)) {}

    std::string Title() override { return OpenBook().Title(); }

    std::shared_ptr<NotesView> GetView(const std::string& viewName) override {
        OpenBook();
        if (!IsPeopleView(viewName))
            throw NotesError("The address book has no view \"" + viewName +
                             "\"; its person documents are in the view \"$People\".");
        return std::make_shared<DxlPeopleView>(book_);
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
