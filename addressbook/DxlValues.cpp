#include "addressbook/DxlValues.h"

#include <charconv>
#include <cstdint>

namespace tallowby {

namespace {

constexpr unsigned char AsciiLower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

std::string_view TrimAsciiSpace(std::string_view s) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

bool ReadDigits(std::string_view& s, std::size_t count, int& out) {
    if (s.size() < count) return false;
    int v = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    s.remove_prefix(count);
    out = v;
    return true;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return (month == 2 && leap) ? 29 : kDays[month - 1];
}

std::uint32_t FoldCodePoint(std::uint32_t cp) {
    // Latin-1 and basic Greek and Cyrillic capitals lie a fixed distance below
    // their small letters.
    if ((cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) || (cp >= 0x391 && cp <= 0x3AB && cp != 0x3A2) ||
        (cp >= 0x410 && cp <= 0x42F))
        return cp + 0x20;
    if (cp >= 0x400 && cp <= 0x40F) return cp + 0x50;
    // Greek capitals with tonos.
    if (cp == 0x386) return 0x3AC;
    if (cp >= 0x388 && cp <= 0x38A) return cp + 0x25;
    if (cp == 0x38C) return 0x3CC;
    if (cp == 0x38E || cp == 0x38F) return cp + 0x3F;
    if (cp == 0x178) return 0xFF;
    if (cp == 0x4C0) return 0x4CF;
    // Latin Extended-A and the Cyrillic supplement: capital and small letter side
    // by side, the capital on the even or on the odd code point.
    const bool evenCapital = (cp >= 0x100 && cp <= 0x137 && cp != 0x130) ||
                             (cp >= 0x14A && cp <= 0x177) || (cp >= 0x460 && cp <= 0x481) ||
                             (cp >= 0x48A && cp <= 0x4BF) || (cp >= 0x4D0 && cp <= 0x4FF);
    const bool oddCapital = (cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E) ||
                            (cp >= 0x4C1 && cp <= 0x4CE);
    if ((evenCapital && cp % 2 == 0) || (oddCapital && cp % 2 == 1)) return cp + 1;
    return cp;
}

} // namespace

bool ParseDxlNumber(std::string_view s, double& out) {
    s = TrimAsciiSpace(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

namespace {

// Parses a DXL date-time; `zoneMinutes` receives the zone's offset east of UTC.
bool ParseWithZone(std::string_view s, NotesDateTime& out, int& zoneMinutes) {
    s = TrimAsciiSpace(s);
    NotesDateTime dt;
    zoneMinutes = 0;
    if (!s.empty() && s.front() != 'T') {
        if (!ReadDigits(s, 4, dt.year) || !ReadDigits(s, 2, dt.month) || !ReadDigits(s, 2, dt.day))
            return false;
        if (dt.year < 1 || dt.month < 1 || dt.month > 12 || dt.day < 1 ||
            dt.day > DaysInMonth(dt.year, dt.month))
            return false;
    }
    if (!s.empty() && s.front() == 'T') {
        s.remove_prefix(1);
        if (!ReadDigits(s, 2, dt.hour) || !ReadDigits(s, 2, dt.minute) ||
            !ReadDigits(s, 2, dt.second))
            return false;
        if (dt.hour > 23 || dt.minute > 59 || dt.second > 59) return false;
        dt.hasTime = true;
        int unused = 0;
        if (!s.empty() && s.front() == ',') {
            s.remove_prefix(1);
            if (!ReadDigits(s, 2, unused)) return false;
        }
        if (!s.empty() && s.front() == 'Z') {
            s.remove_prefix(1);
        } else if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
            const int sign = s.front() == '-' ? -1 : 1;
            s.remove_prefix(1);
            int hours = 0, minutes = 0;
            if (!ReadDigits(s, 2, hours)) return false;
            if (!s.empty() && !ReadDigits(s, 2, minutes)) return false;
            zoneMinutes = sign * (hours * 60 + minutes);
        }
    } else if (dt.year == 0) {
        return false;  // neither a date nor a time
    }
    if (!s.empty()) return false;
    out = dt;
    return true;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's
// algorithms).
long long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

} // namespace

bool ParseDxlDateTime(std::string_view s, NotesDateTime& out) {
    int zone = 0;
    return ParseWithZone(s, out, zone);  // the zone is dropped: the wall-clock time stays
}

bool ParseDxlDateTimeUtc(std::string_view s, NotesDateTime& out) {
    NotesDateTime local;
    int zone = 0;
    if (!ParseWithZone(s, local, zone) || local.year == 0 || !local.hasTime) return false;
    long long seconds = (DaysFromCivil(local.year, local.month, local.day) * 24 + local.hour) * 3600 +
                        local.minute * 60 + local.second - zone * 60LL;
    long long days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    seconds -= days * 86400;
    NotesDateTime utc;
    CivilFromDays(days, utc.year, utc.month, utc.day);
    if (utc.year < 1 || utc.year > 9999) return false;
    utc.hour = static_cast<int>(seconds / 3600);
    utc.minute = static_cast<int>(seconds / 60 % 60);
    utc.second = static_cast<int>(seconds % 60);
    utc.hasTime = true;
    out = utc;
    return true;
}

void AppendFoldedForSort(std::string& out, std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += static_cast<char>(AsciiLower(c));
            ++i;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < s.size()) {
            // Two-byte sequence (expat has already checked the UTF-8).
            std::uint32_t cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3Fu);
            cp = FoldCodePoint(cp);
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
            i += 2;
        } else {
            out += static_cast<char>(c);
            ++i;
        }
    }
}

} // namespace tallowby
