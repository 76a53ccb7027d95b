// Calendar arithmetic and date text (see dates.h).
#include "text/dates.h"

#include <cmath>

#include "text/text.h"

namespace tq::text {

// days since 1970-01-01 -> civil date (proleptic Gregorian).
void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
}

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

namespace {

bool isLeap(int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned daysInMonth(int64_t y, unsigned m) {
    static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

// Reads an unsigned decimal field of 1..maxDigits digits.
bool readUnsigned(std::string_view s, size_t& pos, int maxDigits, unsigned& out) {
    size_t start = pos;
    unsigned v = 0;
    while (pos < s.size() && isDigit(static_cast<unsigned char>(s[pos])) &&
           pos - start < static_cast<size_t>(maxDigits)) {
        v = v * 10 + static_cast<unsigned>(s[pos] - '0');
        ++pos;
    }
    if (pos == start) return false;
    if (pos < s.size() && isDigit(static_cast<unsigned char>(s[pos]))) return false;
    out = v;
    return true;
}

bool readTime(std::string_view s, size_t& pos, double& fraction) {
    unsigned h = 0, mi = 0, se = 0;
    if (!readUnsigned(s, pos, 2, h) || pos >= s.size() || s[pos] != ':') return false;
    ++pos;
    if (!readUnsigned(s, pos, 2, mi)) return false;
    if (pos < s.size() && s[pos] == ':') {
        ++pos;
        if (!readUnsigned(s, pos, 2, se)) return false;
    }
    if (h > 23 || mi > 59 || se > 59) return false;
    fraction = (h * 3600.0 + mi * 60.0 + se) / 86400.0;
    return true;
}

}  // namespace

std::optional<std::string> FormatDate(double date) {
    if (!InDateRange(date)) return std::nullopt;
    double whole = std::trunc(date);
    double fraction = std::fabs(date - whole);
    int64_t days = static_cast<int64_t>(whole);
    int64_t seconds = std::llround(fraction * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    std::string timeText;
    if (seconds > 0 || days == 0) {
        timeText = format("%d:%02d:%02d", static_cast<int>(seconds / 3600),
                          static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    }
    if (days == 0) return timeText;
    int64_t y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(days - kUnixToOleDays, y, m, d);
    std::string out = format("%lld/%u/%u", static_cast<long long>(y), m, d);
    if (!timeText.empty()) out += " " + timeText;
    return out;
}

bool ParseDate(std::string_view s, double& out) {
    size_t pos = 0;
    double fraction = 0;
    // A time alone.
    {
        size_t p = 0;
        double f = 0;
        if (readTime(s, p, f) && p == s.size()) {
            out = f;
            return true;
        }
    }
    unsigned y = 0, m = 0, d = 0;
    if (!readUnsigned(s, pos, 4, y) || pos >= s.size() || (s[pos] != '/' && s[pos] != '-'))
        return false;
    char sep = s[pos++];
    if (!readUnsigned(s, pos, 2, m) || pos >= s.size() || s[pos] != sep) return false;
    ++pos;
    if (!readUnsigned(s, pos, 2, d)) return false;
    if (y < 100 || m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m)) return false;
    if (pos < s.size()) {
        if (s[pos] != ' ' && s[pos] != 'T') return false;
        ++pos;
        if (!readTime(s, pos, fraction) || pos != s.size()) return false;
    }
    double days = static_cast<double>(DaysFromCivil(y, m, d) + kUnixToOleDays);
    // Before day 0 the time of day still counts forward from the day's start.
    out = days < 0 ? days - fraction : days + fraction;
    return true;
}

}  // namespace tq::text
