// Calendar arithmetic and the text forms of dates: automation dates (days since 1899-12-30, the
// time of day as the fraction) to and from "yyyy/m/d h:mm:ss" text, and civil dates to and from
// day numbers. Spreadsheet serials (1900 and 1904 systems) are built on these.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tq::text {

/// Valid automation dates: 100/1/1 ... 9999/12/31 23:59:59.
inline constexpr double kMinDate = -657434.0;
inline constexpr double kMaxDate = 2958466.0;
/// Days from 1899-12-30 (day 0 of automation dates) to 1970-01-01.
inline constexpr int64_t kUnixToOleDays = 25569;

inline bool InDateRange(double date) {
    return date >= kMinDate && date < kMaxDate;
}

/// Days since 1970-01-01 of a civil date (proleptic Gregorian calendar), and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d);
void CivilFromDays(int64_t days, int64_t& y, unsigned& m, unsigned& d);

/// An automation date as "yyyy/m/d", followed by " h:mm:ss" when there is a time of day (rounded
/// to the second); a value whose day part is zero gives the time alone ("12:00:00", "0:00:00").
/// Nothing for a value outside 100/1/1 ... 9999/12/31.
std::optional<std::string> FormatDate(double date);

/// Parses "yyyy/m/d" or "yyyy-m-d", optionally followed by " h:mm" or " h:mm:ss" (or "T" instead
/// of the blank), or a time alone ("h:mm[:ss]", a day part of zero), into an automation date.
/// False when the text is no valid date.
bool ParseDate(std::string_view text, double& out);

}  // namespace tq::text
