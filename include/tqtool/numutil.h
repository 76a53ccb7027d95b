// Number tests and conversions in the suite's display formats, floating-point comparisons with
// tolerances, colours as packed 0x00BBGGRR values, and angles in degrees, minutes and seconds.
//
// Number text never depends on the process locale: the decimal separator is always '.'.
#pragma once

#include <cstdint>

#include "tqtool/types.h"

namespace tq {

// ---- Number tests ----

/// True when `text`, trimmed of white space at both ends, holds only digits, at most one point,
/// and a minus sign only as its first character. The empty text, "-", "." and "-." count as
/// numbers; "1e5", "+3", "1,000" and "1-2" do not.
TQTOOL_API bool tIsNum(String text);
/// True when every byte of `text` is a digit 0-9 (the empty text is true).
TQTOOL_API bool IsNumStr(String text);
/// 1 when `text` is a positive decimal number made only of digits and at most one point whose
/// value is not 0 ("5.", ".5" count); 0 otherwise (signs, blanks and exponents are rejected).
TQTOOL_API int DblStrIsLaw(String text);

// ---- Conversions ----

/// 0 for the empty text, else `atoi` of the text.
TQTOOL_API int GetIntForStr(String text);
/// 0.0 for the empty text, else `atof` of the text.
TQTOOL_API double GetDoubleForStr(String text);
/// The empty string for 0, else the decimal text of `number`.
TQTOOL_API String GetStrForInt(int number);
/// Display form with at most two decimals: "0" when |number| < 0.01, else "%.2f" with trailing
/// zeros and then a trailing point removed (1.50 -> "1.5", 2.00 -> "2", 10.00 -> "10").
TQTOOL_API String GetStrForDoulbe(double number);
/// Fixed notation with exactly `digits` decimals; 1e-10 is added first so that positive values
/// stored a hair below a half (2.675, 1.005) round upwards. A negative `digits` counts as 0.
TQTOOL_API String GetStrForDoulbe(double number, int digits);
/// Fixed notation with exactly `digits` decimals, no adjustment. A negative `digits` counts as 0.
TQTOOL_API String Dbl2Str(double number, int digits);

// ---- Comparisons ----

/// True when |a - b| < 1e-5.
TQTOOL_API bool IsEq(double a, double b);
/// 1 if a - b > tolerance; -1 if a - b < -tolerance; else 0 (the bound is inclusive).
TQTOOL_API int FloatComp(double a, double b, double tolerance);
/// Exchanges the two values.
TQTOOL_API void Swap(double* a, double* b);

// ---- Colours (0x00BBGGRR) ----

/// Red, separator, green, separator, blue in decimal ("255,0,0" for pure red with ',').
TQTOOL_API String RGB2Str(uint32_t colour, char separator);
/// Parses red, green and blue from the first three pieces of `text` split at `separator`; each
/// keeps its low 8 bits. Fewer than three pieces give 0.
TQTOOL_API uint32_t Str2RGB(String text, char separator);

// ---- Angles ----

/// Writes degrees, minutes and seconds as `%dd%d'%d"` into `text`.
TQTOOL_API void Dms2Str(int degrees, int minutes, int seconds, String& text);
/// The angle in radians.
TQTOOL_API double Dms2d(int degrees, int minutes, int seconds);
/// The angle (radians) as `%dd%d'%d"` text. Each part is truncated toward zero (negative angles
/// give negative parts), except that a value within 1e-6 s below a whole second counts as that
/// second, so Dms2d followed by D2dmsStr gives back the whole seconds it started from.
TQTOOL_API String D2dmsStr(double angle);

}  // namespace tq
