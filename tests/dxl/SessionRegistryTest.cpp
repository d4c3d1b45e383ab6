// Session classes by ProgID.
#include "DxlTestSupport.h"

#include <gtest/gtest.h>

namespace tallowby::dxltest {
namespace {

class NullDatabaseSession : public NotesSession {
public:
    std::shared_ptr<NotesDatabase> GetDatabase(const std::string&, const std::string&) override {
        return nullptr;
    }
};

TEST(SessionRegistry, DominoIsTheDxlSessionAndNotesIsNotRegistered) {
    const auto domino = CreateObject(kDominoProgID);
    ASSERT_TRUE(domino);
    EXPECT_NE(dynamic_cast<DxlSession*>(domino.get()), nullptr);
    EXPECT_NE(CreateObject(kDominoProgID), domino);  // a new session per call
    EXPECT_NE(dynamic_cast<DxlSession*>(CreateObject("DOMINO.notessession").get()), nullptr);
    EXPECT_EQ(CreateObject(kNotesProgID), nullptr);
    EXPECT_EQ(CreateObject("Excel.Application"), nullptr);
    EXPECT_EQ(CreateObject(""), nullptr);
}

TEST(SessionRegistry, RegisterReplaceAndRemove) {
    int made = 0;
    const SessionFactory fake = [&made] {
        ++made;
        return std::make_shared<NullDatabaseSession>();
    };
    EXPECT_FALSE(RegisterSessionClass(kNotesProgID, fake));  // nothing there before
    const auto session = CreateObject(kNotesProgID);
    EXPECT_NE(dynamic_cast<NullDatabaseSession*>(session.get()), nullptr);
    EXPECT_EQ(made, 1);

    const SessionFactory previous = RegisterSessionClass(kNotesProgID, {});
    ASSERT_TRUE(previous);
    EXPECT_EQ(CreateObject(kNotesProgID), nullptr);
    previous();
    EXPECT_EQ(made, 2);  // the factory handed back is the one registered
}

TEST(SessionRegistry, ScopedClassIsPutBack) {
    {
        const ScopedSessionClass noDomino(kDominoProgID, [] { return std::shared_ptr<NotesSession>(); });
        EXPECT_EQ(CreateObject(kDominoProgID), nullptr);  // a factory that yields no object
        const ScopedSessionClass notes(kNotesProgID, [] { return std::make_shared<NullDatabaseSession>(); });
        EXPECT_TRUE(CreateObject(kNotesProgID));
    }
    EXPECT_NE(dynamic_cast<DxlSession*>(CreateObject(kDominoProgID).get()), nullptr);
    EXPECT_EQ(CreateObject(kNotesProgID), nullptr);
}

} // namespace
} // namespace tallowby::dxltest
