// The session registry and the regional conversion of item values to text.
#include "addressbook/Notes.h"
#include "addressbook/AsciiCase.h"

#include "addressbook/DxlSession.h"

#include <charconv>
#include <clocale>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>

#include <langinfo.h>

namespace tallowby {

// ---------------------------------------------------------------------------
// Session classes. ProgIDs are matched without regard to case, as COM does.

namespace {

struct SessionRegistry {
    std::mutex mutex;
    std::map<std::string, SessionFactory> factories;

    SessionRegistry() {
        factories[FoldedAscii(kDominoProgID)] = [] { return std::make_shared<DxlSession>(); };
    }
};

SessionRegistry& Registry() {
    static SessionRegistry registry;
    return registry;
}

} // namespace

std::shared_ptr<NotesSession> CreateObject(const std::string& progID) {
    SessionFactory factory;
    {
        SessionRegistry& registry = Registry();
        const std::lock_guard<std::mutex> lock(registry.mutex);
        const auto it = registry.factories.find(FoldedAscii(progID));
        if (it == registry.factories.end()) return nullptr;
        factory = it->second;
    }
    return factory ? factory() : nullptr;
}

SessionFactory RegisterSessionClass(const std::string& progID, SessionFactory factory) {
    SessionRegistry& registry = Registry();
    const std::lock_guard<std::mutex> lock(registry.mutex);
    const std::string key = FoldedAscii(progID);
    SessionFactory previous;
    const auto it = registry.factories.find(key);
    if (it != registry.factories.end()) {
        previous = std::move(it->second);
        registry.factories.erase(it);
    }
    if (factory) registry.factories.emplace(key, std::move(factory));
    return previous;
}

// ---------------------------------------------------------------------------
// Values to text.

namespace {

bool IsCLocale(const char* name) {
    return name == nullptr || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 ||
           std::strncmp(name, "C.", 2) == 0;
}

std::string NumberToText(double value) {
    // %.15g, without depending on the C library's own locale handling.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::general, 15);
    std::string text(buffer, result.ptr);
    if (!IsCLocale(std::setlocale(LC_NUMERIC, nullptr))) {
        const char* point = nl_langinfo(RADIXCHAR);
        if (point != nullptr && *point != '\0' && std::strcmp(point, ".") != 0) {
            const std::size_t dot = text.find('.');
            if (dot != std::string::npos) text.replace(dot, 1, point);
        }
    }
    return text;
}

// Day of the week (0 Sunday) of a date in the proleptic Gregorian calendar.
int WeekDay(int year, int month, int day) {
    static constexpr int kOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) year -= 1;
    return (year + year / 4 - year / 100 + year / 400 + kOffsets[month - 1] + day) % 7;
}

int YearDay(int year, int month, int day) {
    static constexpr int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return kBefore[month - 1] + day - 1 + (leap && month > 2 ? 1 : 0);
}

// The locale's short date format with every year shown in four digits: a two-digit
// year would lose the century in a spreadsheet.
std::string FourDigitYearFormat(const char* format) {
    std::string out;
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%' || p[1] == '\0') {
            out += *p;
            continue;
        }
        ++p;
        if ((*p == 'E' || *p == 'O') && p[1] != '\0') ++p;  // alternative forms
        switch (*p) {
        case 'y':
            out += "%Y";
            break;
        case 'C':
            if (p[1] == '%' && p[2] == 'y') {  // century and year
                out += "%Y";
                p += 2;
            } else {
                out += "%C";
            }
            break;
        case 'D':
            out += "%m/%d/%Y";
            break;
        default:
            out += '%';
            out += *p;
            break;
        }
    }
    return out;
}

std::string Strftime(const std::string& format, const std::tm& tm) {
    if (format.empty()) return {};
    char buffer[256];
    const std::size_t n = std::strftime(buffer, sizeof buffer, format.c_str(), &tm);
    return std::string(buffer, n);
}

// Appends value as printf's "%0*d" would, with `width` as the least width.
void AppendPadded(std::string& out, int value, int width) {
    char digits[16];
    const char* const end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const bool negative = value < 0;
    if (negative) out += '-';
    if (const auto length = static_cast<int>(end - digits); width > length)
        out.append(static_cast<std::size_t>(width - length), '0');
    const char* const first = digits + (negative ? 1 : 0);
    out.append(first, static_cast<std::size_t>(end - first));
}

std::string DateTimeToText(const NotesDateTime& dt) {
    const bool hasDate = dt.year != 0 || dt.month != 0 || dt.day != 0;
    const bool showTime =
        dt.hasTime && (!hasDate || dt.hour != 0 || dt.minute != 0 || dt.second != 0);
    if (IsCLocale(std::setlocale(LC_TIME, nullptr))) {
        // "%04d-%02d-%02d", then " %02d:%02d:%02d"
        std::string text;
        if (hasDate) {
            AppendPadded(text, dt.year, 4);
            text += '-';
            AppendPadded(text, dt.month, 2);
            text += '-';
            AppendPadded(text, dt.day, 2);
        }
        if (showTime) {
            if (hasDate) text += ' ';
            AppendPadded(text, dt.hour, 2);
            text += ':';
            AppendPadded(text, dt.minute, 2);
            text += ':';
            AppendPadded(text, dt.second, 2);
        }
        return text;
    }
    std::tm tm{};
    tm.tm_hour = dt.hour;
    tm.tm_min = dt.minute;
    tm.tm_sec = dt.second;
    std::string text;
    if (hasDate && dt.month >= 1 && dt.month <= 12) {
        tm.tm_year = dt.year - 1900;
        tm.tm_mon = dt.month - 1;
        tm.tm_mday = dt.day;
        tm.tm_wday = WeekDay(dt.year, dt.month, dt.day);
        tm.tm_yday = YearDay(dt.year, dt.month, dt.day);
        const char* dateFormat = nl_langinfo(D_FMT);
        text = Strftime(FourDigitYearFormat(dateFormat && *dateFormat ? dateFormat : "%Y-%m-%d"), tm);
    }
    if (showTime) {
        const char* timeFormat = nl_langinfo(T_FMT);
        if (!text.empty()) text += ' ';
        text += Strftime(timeFormat && *timeFormat ? timeFormat : "%H:%M:%S", tm);
    }
    return text;
}

} // namespace

std::string ValueToText(const NotesValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* number = std::get_if<double>(&value)) return NumberToText(*number);
    if (const auto* dateTime = std::get_if<NotesDateTime>(&value)) return DateTimeToText(*dateTime);
    return {};
}

} // namespace tallowby
