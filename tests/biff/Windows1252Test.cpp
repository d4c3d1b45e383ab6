// UTF-8 texts become Windows-1252, one byte per character, and every length
// field counts the converted characters.
#include "BiffTestSupport.h"

#include "biff/ExcelFile.h"

namespace tallowby::testing {
namespace {

std::string Utf8(char32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (cp >> 18));
        s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

Bytes Convert(std::string_view utf8) { return Raw(ExcelFile::ToWindows1252(utf8)); }

TEST(Windows1252, AccentedLettersAndTheEuroSign) {
    EXPECT_EQ(Convert("Zoë Müller"), Hex("5A 6F EB 20 4D FC 6C 6C 65 72"));
    EXPECT_EQ(Convert("€5"), Hex("80 35"));
    EXPECT_EQ(Convert("naïve café, Ærø, ß"),
              Raw("na") + Hex("EF") + Raw("ve caf") + Hex("E9") + Raw(", ") + Hex("C6 72 F8") +
                  Raw(", ") + Hex("DF"));
    EXPECT_EQ(Convert(""), Bytes());
}

TEST(Windows1252, LatinOneRangeKeepsItsCodes) {
    for (char32_t cp = 0xA0; cp <= 0xFF; ++cp) {
        EXPECT_EQ(Convert(Utf8(cp)), Bytes{static_cast<uint8_t>(cp)})
            << std::hex << static_cast<uint32_t>(cp);
    }
}

TEST(Windows1252, TypographicCharactersTakeTheBytes80To9F) {
    const std::pair<char32_t, uint8_t> table[] = {
        {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85},
        {0x2020, 0x86}, {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A},
        {0x2039, 0x8B}, {0x0152, 0x8C}, {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92},
        {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95}, {0x2013, 0x96}, {0x2014, 0x97},
        {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B}, {0x0153, 0x9C},
        {0x017E, 0x9E}, {0x0178, 0x9F}};
    for (auto [cp, byte] : table) {
        EXPECT_EQ(Convert(Utf8(cp)), Bytes{byte}) << std::hex << static_cast<uint32_t>(cp);
    }
    // The C1 control characters have no Windows-1252 code.
    for (char32_t cp = 0x80; cp <= 0x9F; ++cp) EXPECT_EQ(Convert(Utf8(cp)), Raw("?"));
}

TEST(Windows1252, CharactersWithoutACodeBecomeOneQuestionMarkEach) {
    EXPECT_EQ(Convert("日本"), Raw("??"));
    EXPECT_EQ(Convert("Łódź"), Raw("?") + Hex("F3") + Raw("d?"));
    EXPECT_EQ(Convert("a😀b"), Raw("a?b"));
    EXPECT_EQ(Convert(Utf8(0x10FFFF)), Raw("?"));
}

TEST(Windows1252, EachByteOfInvalidUtf8BecomesAQuestionMark) {
    EXPECT_EQ(Convert("a\x80" "b"), Raw("a?b"));          // lone continuation byte
    EXPECT_EQ(Convert("\xFF\xFE"), Raw("??"));             // never in UTF-8
    EXPECT_EQ(Convert("\xE2\x82"), Raw("??"));             // euro sign cut short
    EXPECT_EQ(Convert("\xE2\x82" "x"), Raw("??x"));
    EXPECT_EQ(Convert("\xC3"), Raw("?"));                  // cut at the end
    EXPECT_EQ(Convert("\xC0\xAF"), Raw("??"));             // overlong '/'
    EXPECT_EQ(Convert("\xE0\x80\xAF"), Raw("???"));        // overlong, three bytes
    EXPECT_EQ(Convert("\xED\xA0\x80"), Raw("???"));        // UTF-16 surrogate
    EXPECT_EQ(Convert("\xF4\x90\x80\x80"), Raw("????"));   // above U+10FFFF
    EXPECT_EQ(Convert("\xC3\xA9\xC3"), Hex("E9") + Raw("?"));
}

// The converter copies ASCII eight bytes at a time; a character outside ASCII
// must be found wherever it stands in such a run.
TEST(Windows1252, NonAsciiCharacterAtEveryPositionOfALongText) {
    for (size_t at = 0; at < 40; ++at) {
        std::string text(40, 'k');
        text.replace(at, 1, "\xC3\xBC");  // ü
        Bytes expected(40, 'k');
        expected[at] = 0xFC;
        EXPECT_EQ(Convert(text), expected) << at;
    }
}

TEST(Windows1252, LengthFieldsCountConvertedCharacters) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string path = dir.File("texts.xls");
    ExcelFile xl;
    ASSERT_EQ(xl.CreateFile(path), 0);
    EXPECT_EQ(xl.SetFont("Zoë", 10, 0), 0);
    EXPECT_EQ(xl.SetHeader("€ 日本"), 0);
    EXPECT_EQ(xl.SetFooter("\xFF"), 0);
    EXPECT_EQ(xl.SetFilePassword("pässwörd"), 0);
    EXPECT_EQ(xl.WriteValue(2, 0, 0, 0, 1, 1, std::string("Zoë Müller"), 0), 0);
    EXPECT_EQ(xl.WriteValue(2, 0, 0, 0, 1, 2, std::string("a\xE2\x82"), 0), 0);
    ASSERT_EQ(xl.CloseFile(), 0);
    const Bytes file = ReadBytes(path);
    ASSERT_GE(file.size(), 400u);
    EXPECT_EQ(Bytes(file.begin() + 396, file.end() - 4),
              Hex("31 00 08 00 C8 00 00 00 03 5A 6F EB") +
                  Hex("14 00 05 00 04 80 20 3F 3F") + Hex("15 00 02 00 01 3F") +
                  Hex("2F 00 08 00") + Raw("p") + Hex("E4") + Raw("ssw") + Hex("F6") +
                  Raw("rd") + Hex("04 00 12 00 00 00 00 00 00 00 00 0A 5A 6F EB 20 4D FC") +
                  Raw("ller") + Hex("04 00 0B 00 00 00 01 00 00 00 00 03") + Raw("a??"));
}

}  // namespace
}  // namespace tallowby::testing
