// Number utilities: parsing and formatting in the "C" form, comparisons, colours and angles.
#include "tqtool/numutil.h"

#include <climits>
#include <cmath>
#include <vector>

#include "tqtool/strutil.h"
#include "text/text.h"

namespace tq {

namespace {

constexpr double kPi = 3.141592653589793;
// An angle this close below a whole second (in seconds) counts as that second: Dms2d followed by
// D2dmsStr must not lose a second to floating-point noise.
constexpr double kSecondTolerance = 1e-6;

// Truncation toward zero into an int; values outside the int range saturate and NaN gives 0.
int truncToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);
}

// Removes trailing zeros, then trailing points.
void dropTrailingZeros(String& s) {
    while (!s.empty() && s.back() == '0') s.pop_back();
    while (!s.empty() && s.back() == '.') s.pop_back();
}

}  // namespace

// ---- Number tests ----

bool tIsNum(String text) {
    String s = text::trim(text);
    bool point = false;
    for (size_t i = 0; i < s.size(); ++i) {
        auto c = static_cast<unsigned char>(s[i]);
        if (text::isDigit(c)) continue;
        if (c == '.') {
            if (point) return false;
            point = true;
            continue;
        }
        if (c == '-' && i == 0) continue;
        return false;
    }
    return true;
}

bool IsNumStr(String text) {
    for (unsigned char c : text)
        if (!text::isDigit(c)) return false;
    return true;
}

int DblStrIsLaw(String text) {
    if (text::strtod(text.c_str(), nullptr) == 0.0) return 0;
    int points = 0;
    for (unsigned char c : text) {
        if (c == '.')
            ++points;
        else if (!text::isDigit(c))
            return 0;
    }
    return points > 1 ? 0 : 1;
}

// ---- Conversions ----

int GetIntForStr(String text) {
    return text.empty() ? 0 : text::atoi(text);
}

double GetDoubleForStr(String text) {
    return text.empty() ? 0.0 : text::atof(text);
}

String GetStrForInt(int number) {
    return number == 0 ? String() : text::format("%d", number);
}

String GetStrForDoulbe(double number) {
    if (std::fabs(number) < 0.01) return "0";
    String s = text::format("%.2f", number);
    dropTrailingZeros(s);
    return s;
}

String GetStrForDoulbe(double number, int digits) {
    return text::format("%.*f", digits < 0 ? 0 : digits, number + 1e-10);
}

String Dbl2Str(double number, int digits) {
    return text::format("%.*f", digits < 0 ? 0 : digits, number);
}

// ---- Comparisons ----

bool IsEq(double a, double b) {
    return std::fabs(a - b) < 1e-5;
}

int FloatComp(double a, double b, double tolerance) {
    double d = a - b;
    if (d > tolerance) return 1;
    if (d < -tolerance) return -1;
    return 0;
}

void Swap(double* a, double* b) {
    if (!a || !b) return;
    double t = *a;
    *a = *b;
    *b = t;
}

// ---- Colours ----

String RGB2Str(uint32_t colour, char separator) {
    return text::format("%d%c%d%c%d", static_cast<int>(colour & 0xFF), separator,
                        static_cast<int>((colour >> 8) & 0xFF), separator,
                        static_cast<int>((colour >> 16) & 0xFF));
}

uint32_t Str2RGB(String text, char separator) {
    std::vector<String> pieces;
    Str2Vector(text, pieces, separator);
    if (pieces.size() < 3) return 0;
    auto byte = [](const String& s) { return static_cast<uint32_t>(text::atoi(s)) & 0xFFu; };
    return byte(pieces[0]) | (byte(pieces[1]) << 8) | (byte(pieces[2]) << 16);
}

// ---- Angles ----

void Dms2Str(int degrees, int minutes, int seconds, String& text) {
    text = text::format("%dd%d'%d\"", degrees, minutes, seconds);
}

double Dms2d(int degrees, int minutes, int seconds) {
    return ((minutes / 60.0 + degrees) + seconds / 3600.0) / 180.0 * kPi;
}

String D2dmsStr(double angle) {
    double deg = angle / kPi * 180;
    int d = truncToInt(deg);
    double f = deg - d;
    int m = truncToInt(f * 60);
    double sec = (f - m / 60.0) * 3600;
    int s = truncToInt(sec);
    // A hair below a whole second (above, for negative angles) is that second. Angles too large
    // for the parts to mean anything (beyond the int range) are left as truncated.
    if (s > -60 && s < 60) {
        if (sec > 0 && sec - s > 1 - kSecondTolerance)
            ++s;
        else if (sec < 0 && sec - s < -(1 - kSecondTolerance))
            --s;
    }
    // Carry a rounded-up second into the minutes and degrees, keeping the sign of the angle.
    if ((s == 60 || s == -60) && m > -60 && m < 60) {
        m += s / 60;
        s = 0;
    }
    if ((m == 60 || m == -60) && d > INT_MIN && d < INT_MAX) {
        d += m / 60;
        m = 0;
    }
    return text::format("%dd%d'%d\"", d, m, s);
}

}  // namespace tq
