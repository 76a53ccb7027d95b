// Number text in the one form the whole library uses, whatever the locale: the text a number
// gets in a cell, in a coerced automation value and in the tool's output, and the plain decimal
// form text must have to become a number.
#pragma once

#include <string>
#include <string_view>

namespace tq::text {

/// A number as text: up to `digits` significant digits (15 for doubles, 7 for floats), no
/// trailing zeros, '.' as decimal point, exponent form ("1E+20", "1.5E-07") when the decimal
/// exponent is at least `digits` or below -6; "0" for zero of either sign; "NaN", "Infinity",
/// "-Infinity" for the non-finite values.
std::string FormatNumber(double v, int digits = 15);

/// Parses the "C"-locale decimal form: optional blanks, optional sign, digits with at most one
/// '.', optional exponent, optional blanks, and nothing else (no hex, no "inf"/"nan"). False for
/// anything else and for a value that does not fit a double.
bool ParseNumber(std::string_view text, double& out);

}  // namespace tq::text
