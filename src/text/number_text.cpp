// Number text (see number_text.h).
#include "text/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "text/text.h"

namespace tq::text {

std::string FormatNumber(double v, int digits) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v < 0 ? "-Infinity" : "Infinity";
    if (v == 0) return "0";
    if (digits < 1) digits = 1;
    if (digits > 17) digits = 17;
    // d.ddddde+XX with at most `digits` significant digits, rounded once. The shortest form
    // that reads back as `v` is the same text whenever it has no more digits than asked for
    // (any decimal of 15 digits or fewer survives a round trip through a double), and it is
    // much cheaper than printf; otherwise printf rounds to `digits`.
    char shortest[64];
    auto conv =
        std::to_chars(shortest, shortest + sizeof shortest, v, std::chars_format::scientific);
    std::string e(shortest, conv.ptr);
    size_t sigDigits = 0;
    for (char c : e) {
        if (c == 'e') break;
        if (isDigit(static_cast<unsigned char>(c))) ++sigDigits;
    }
    if (conv.ec != std::errc() || sigDigits > static_cast<size_t>(digits))
        e = format("%.*e", digits - 1, v);
    size_t ePos = e.find('e');
    int exponent = atoi(e.c_str() + ePos + 1);
    std::string mantissa;
    for (size_t i = 0; i < ePos; ++i)
        if (isDigit(static_cast<unsigned char>(e[i]))) mantissa.push_back(e[i]);
    while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();

    std::string out = v < 0 ? "-" : "";
    if (exponent >= digits || exponent < -6) {
        out += mantissa[0];
        if (mantissa.size() > 1) out += "." + mantissa.substr(1);
        out += format("E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return out;
    }
    if (exponent >= 0) {
        size_t intDigits = static_cast<size_t>(exponent) + 1;
        if (mantissa.size() <= intDigits) {
            out += mantissa + std::string(intDigits - mantissa.size(), '0');
        } else {
            out += mantissa.substr(0, intDigits) + "." + mantissa.substr(intDigits);
        }
    } else {
        out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + mantissa;
    }
    return out;
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
