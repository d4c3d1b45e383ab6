// Decoding the values of a DXL item: numbers and date-times as DXL writes them, and
// names folded for the $People view's order.
#pragma once

#include "addressbook/Notes.h"

#include <string>
#include <string_view>

namespace tallowby {

// A DXL <number>: decimal, optionally signed and with an exponent, blanks around it
// allowed. False when the text is no such number.
bool ParseDxlNumber(std::string_view text, double& out);

// A DXL <datetime>: "yyyymmdd", optionally "T" "hhmmss" with ",hh" hundredths and a
// zone ("Z", "+hh", "-hhmm"); a time-only value is "T" "hhmmss,hh". The zone is
// dropped: the value keeps the wall-clock time as written. False for anything else,
// an impossible date included.
bool ParseDxlDateTime(std::string_view text, NotesDateTime& out);

// The same for a moment in time (a document's last change): the date and time of day
// turned into UTC by the zone written after it ("20220203T144805,52-05" is
// 2022-02-03 19:48:05 UTC); without a zone the time counts as UTC. False unless the
// text has both a date and a time.
bool ParseDxlDateTimeUtc(std::string_view text, NotesDateTime& out);

// Appends `text` folded to lower case for sorting: ASCII and the Latin, Greek and
// Cyrillic letters of the two-byte UTF-8 range, so "émile" and "Émile" sort together.
// Other characters are appended unchanged.
void AppendFoldedForSort(std::string& out, std::string_view text);

} // namespace tallowby
