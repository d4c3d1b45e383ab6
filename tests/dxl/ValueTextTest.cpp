// Values to text under the C locale and under other regional settings.
#include "DxlTestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace tallowby::dxltest {
namespace {

NotesValue Text(const char* s) { return std::string(s); }
NotesValue Date(int y, int mo, int d) { return NotesDateTime{y, mo, d, 0, 0, 0, false}; }
NotesValue At(int y, int mo, int d, int h, int mi, int s) { return NotesDateTime{y, mo, d, h, mi, s, true}; }
NotesValue TimeOnly(int h, int mi, int s) { return NotesDateTime{0, 0, 0, h, mi, s, true}; }

class ValueTextInC : public ::testing::Test {
protected:
    void SetUp() override { std::setlocale(LC_ALL, "C"); }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(ValueTextInC, EmptyAndText) {
    EXPECT_EQ(ValueToText(NotesValue{}), "");
    EXPECT_EQ(ValueToText(Text("")), "");
    EXPECT_EQ(ValueToText(Text(" Ann | 0 \n")), " Ann | 0 \n");
}

TEST_F(ValueTextInC, NumbersAsPercentPoint15g) {
    for (const double v : {0.0, -0.0, 12345.0, 3.5, -0.1, 0.1 + 0.2, 1.0 / 3, 1e20, 1e-7,
                           123456789012345678.0, 999999999999999.0, 1e15, 2.5e-300}) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.15g", v);
        EXPECT_EQ(ValueToText(v), expected) << v;
    }
    EXPECT_EQ(ValueToText(12345.0), "12345");
    EXPECT_EQ(ValueToText(0.1 + 0.2), "0.3");
    EXPECT_EQ(ValueToText(1e20), "1e+20");
}

TEST_F(ValueTextInC, DateTimesInIso8601) {
    EXPECT_EQ(ValueToText(Date(1970, 3, 15)), "1970-03-15");
    EXPECT_EQ(ValueToText(At(1970, 3, 15, 14, 30, 5)), "1970-03-15 14:30:05");
    EXPECT_EQ(ValueToText(At(1998, 6, 20, 0, 0, 0)), "1998-06-20");  // midnight shows no time
    EXPECT_EQ(ValueToText(At(1998, 6, 20, 0, 0, 1)), "1998-06-20 00:00:01");
    EXPECT_EQ(ValueToText(Date(5, 1, 2)), "0005-01-02");
    EXPECT_EQ(ValueToText(TimeOnly(9, 30, 0)), "09:30:00");
    EXPECT_EQ(ValueToText(TimeOnly(0, 0, 0)), "00:00:00");
}

TEST_F(ValueTextInC, CUtf8IsTheCLocaleToo) {
    if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr) GTEST_SKIP() << "C.UTF-8 is not installed";
    EXPECT_EQ(ValueToText(At(1970, 3, 15, 14, 30, 5)), "1970-03-15 14:30:05");
    EXPECT_EQ(ValueToText(3.5), "3.5");
}

// Another locale, compiled into the test's own folder with localedef (package
// locales) and found through LOCPATH, so nothing outside the folder changes.
class ValueTextInLocale : public ::testing::Test {
protected:
    bool Use(const std::string& locale) {
        const std::string name = locale + ".UTF-8";
        const std::string command = "localedef -i " + locale + " -f UTF-8 '" + (dir_ / name) +
                                    "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) return false;
        ::setenv("LOCPATH", dir_.path().c_str(), 1);
        return std::setlocale(LC_ALL, name.c_str()) != nullptr;
    }
    void TearDown() override {
        std::setlocale(LC_ALL, "C");
        ::unsetenv("LOCPATH");
    }
    TempDir dir_;
};

TEST_F(ValueTextInLocale, DayMonthOrderWithDecimalComma) {
    // nl_NL: short dates "%d-%m-%y", times "%T", decimal comma.
    if (!Use("nl_NL")) GTEST_SKIP() << "localedef cannot build nl_NL.UTF-8 here";
    EXPECT_EQ(ValueToText(Date(1970, 3, 15)), "15-03-1970");  // four-digit year
    EXPECT_EQ(ValueToText(Date(2004, 11, 2)), "02-11-2004");
    EXPECT_EQ(ValueToText(At(1970, 3, 15, 14, 30, 5)), "15-03-1970 14:30:05");
    EXPECT_EQ(ValueToText(At(1970, 3, 15, 0, 0, 0)), "15-03-1970");
    EXPECT_EQ(ValueToText(TimeOnly(9, 30, 0)), "09:30:00");
    EXPECT_EQ(ValueToText(3.5), "3,5");
    EXPECT_EQ(ValueToText(-1234567.25), "-1234567,25");  // no digit grouping
    EXPECT_EQ(ValueToText(12345.0), "12345");
    EXPECT_EQ(ValueToText(Text("3.5")), "3.5");  // texts are never converted
}

TEST_F(ValueTextInLocale, MonthDayOrderWithTwelveHourTimes) {
    // en_US: short dates "%m/%d/%Y", times "%r".
    if (!Use("en_US")) GTEST_SKIP() << "localedef cannot build en_US.UTF-8 here";
    EXPECT_EQ(ValueToText(Date(1970, 3, 15)), "03/15/1970");
    EXPECT_EQ(ValueToText(At(1970, 3, 15, 14, 30, 5)), "03/15/1970 02:30:05 PM");
    EXPECT_EQ(ValueToText(TimeOnly(9, 30, 0)), "09:30:00 AM");
    EXPECT_EQ(ValueToText(3.5), "3.5");
}

} // namespace
} // namespace tallowby::dxltest
