// Number text (see number_text.h).
#include "text/number_text.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "text/text.h"

namespace tq::text {

namespace {

constexpr double kPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};  // all exact

// |v| = a rounded to `digits` (at most 15) significant digits, half to even as printf's %.*e
// rounds: the digits as the integer m (10^(digits-1) <= m < 10^digits) and the decimal exponent
// of the first one. Worked out exactly for 1e-5 <= a < 10^digits: a x 10^s is the exact sum
// hi + lo of the rounded product and its error (fused multiply-add), and 10^s is exact for
// s <= 22. False outside that range.
bool roundedDigits(double a, int digits, uint64_t& m, int& exponent) {
    if (digits > 15 || !(a >= 1e-5 && a < kPow10[digits])) return false;
    const double low = kPow10[digits - 1], high = kPow10[digits];
    // floor(log10(a)) from the binary exponent (1233 / 4096 is just below log10(2)): right or
    // one too small, which the exact product below corrects.
    const int e2 = static_cast<int>((std::bit_cast<uint64_t>(a) >> 52) & 0x7FF) - 1023;
    int e10 = (e2 * 1233) >> 12;
    for (int tries = 0; tries < 3; ++tries) {
        const int s = digits - 1 - e10;
        if (s < 0 || s > 22) return false;
        const double hi = a * kPow10[s];
        const double lo = std::fma(a, kPow10[s], -hi);
        // log10 may miss by one near a power of ten: the exact product decides.
        if (hi < low || (hi == low && lo < 0)) {
            --e10;
            continue;
        }
        if (hi > high || (hi == high && lo >= 0)) {
            ++e10;
            continue;
        }
        // hi < 2^50, so its unit in the last place is at most 1/8 and larger than |lo|: the
        // fraction of hi against one half decides, and lo only when they are equal.
        const double whole = std::floor(hi);
        const double d = (hi - whole) - 0.5;
        const uint64_t w = static_cast<uint64_t>(whole);
        const bool up = d > 0 || (d == 0 && (lo > 0 || (lo == 0 && (w & 1))));
        m = w + (up ? 1 : 0);
        exponent = e10;
        if (m >= static_cast<uint64_t>(high)) {  // rounded up to the next power of ten
            m = static_cast<uint64_t>(low);
            ++exponent;
        }
        return true;
    }
    return false;
}

}  // namespace

std::string FormatNumber(double v, int digits) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v < 0 ? "-Infinity" : "Infinity";
    if (v == 0) return "0";
    if (digits < 1) digits = 1;
    if (digits > 17) digits = 17;
    char out[48];
    char* o = out;
    // An integer below 2^53 is its own shortest form, digit for digit; with no more digits than
    // asked for it is written in full.
    double a = std::fabs(v);
    if (a < kPow10[digits] && a < 9007199254740992.0 && a == std::floor(a))
        return std::string(out, std::to_chars(out, out + sizeof out, static_cast<int64_t>(v)).ptr);

    // d.ddddde+XX with at most `digits` significant digits, rounded once as printf's %.*e
    // rounds: worked out directly for the common magnitudes, otherwise by the library's
    // conversion. There, with 15 digits or fewer, rounding is all (for a normal double); with
    // more, the shortest form that reads back as `v` is the answer when it has no more digits
    // than asked for (it is cheaper to find), and the rounded form when it has more.
    char mantissa[24];
    size_t n = 0;
    int exponent = 0;
    uint64_t m = 0;
    if (roundedDigits(a, digits, m, exponent)) {
        while (m % 10 == 0) m /= 10;  // m > 0: its trailing zeros are not written
        n = static_cast<size_t>(std::to_chars(mantissa, mantissa + sizeof mantissa, m).ptr -
                                mantissa);
    } else {
        char e[48];
        auto conv =
            digits <= 15 && a >= DBL_MIN
                ? std::to_chars(e, e + sizeof e, v, std::chars_format::scientific, digits - 1)
                : std::to_chars(e, e + sizeof e, v, std::chars_format::scientific);
        const char* p = e;
        for (; p < conv.ptr && *p != 'e'; ++p)
            if (isDigit(static_cast<unsigned char>(*p)) && n < sizeof mantissa) mantissa[n++] = *p;
        if (n > static_cast<size_t>(digits)) {
            conv = std::to_chars(e, e + sizeof e, v, std::chars_format::scientific, digits - 1);
            n = 0;
            for (p = e; p < conv.ptr && *p != 'e'; ++p)
                if (isDigit(static_cast<unsigned char>(*p))) mantissa[n++] = *p;
        }
        std::from_chars(p + 1 + (p[1] == '+'), conv.ptr, exponent);
    }
    while (n > 1 && mantissa[n - 1] == '0') --n;

    if (v < 0) *o++ = '-';
    if (exponent >= digits || exponent < -6) {
        *o++ = mantissa[0];
        if (n > 1) {
            *o++ = '.';
            o = std::copy(mantissa + 1, mantissa + n, o);
        }
        int x = std::abs(exponent);
        *o++ = 'E';
        *o++ = exponent < 0 ? '-' : '+';
        if (x < 10) *o++ = '0';
        o = std::to_chars(o, out + sizeof out, x).ptr;
        return std::string(out, o);
    }
    if (exponent >= 0) {
        size_t intDigits = static_cast<size_t>(exponent) + 1;
        if (n <= intDigits) {
            o = std::copy(mantissa, mantissa + n, o);
            o = std::fill_n(o, intDigits - n, '0');
        } else {
            o = std::copy(mantissa, mantissa + intDigits, o);
            *o++ = '.';
            o = std::copy(mantissa + intDigits, mantissa + n, o);
        }
    } else {
        *o++ = '0';
        *o++ = '.';
        o = std::fill_n(o, -exponent - 1, '0');
        o = std::copy(mantissa, mantissa + n, o);
    }
    return std::string(out, o);
}

bool ParseNumber(std::string_view s, double& out) {
    size_t b = 0, e = s.size();
    while (b < e && isSpace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && isSpace(static_cast<unsigned char>(s[e - 1]))) --e;
    std::string body(s.substr(b, e - b));
    size_t i = 0;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
    size_t digits = 0;
    while (i < body.size() && isDigit(static_cast<unsigned char>(body[i]))) ++i, ++digits;
    if (i < body.size() && body[i] == '.') {
        ++i;
        while (i < body.size() && isDigit(static_cast<unsigned char>(body[i]))) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
        ++i;
        if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < body.size() && isDigit(static_cast<unsigned char>(body[i]))) ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    if (i != body.size()) return false;
    double d = strtod(body.c_str(), nullptr);
    if (!std::isfinite(d)) return false;
    out = d;
    return true;
}

}  // namespace tq::text
