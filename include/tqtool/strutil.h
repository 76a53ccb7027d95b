// String and string-array utilities: splitting and joining delimited text, picking words out of a
// line, cleaning and padding strings, and searching string arrays.
//
// Texts are GBK. Lengths and positions are in bytes, but every search for a character or a
// substring, every trim and every comparison steps over whole characters: a search for an ASCII
// byte (separator, blank, backslash ...) never matches the trail byte of a double-byte character.
// Case-insensitive comparisons fold ASCII letters only. Out-parameters are written only on
// success; output arrays are appended to, never cleared.
#pragma once

#include <vector>

#include "tqtool/types.h"

namespace tq {

// ---- Splitting and joining ----

/// Appends the pieces of `text` between occurrences of `separator` to `array`: k separators give
/// k + 1 pieces, empty pieces included ("a;;b" -> a, "", b). An empty text appends nothing.
TQTOOL_API void Str2StrArr(String text, StringArray& array, char separator);
/// As above, but the first cut is made at the first `firstSeparator` and every later cut at
/// `separator` ("k:a,b,c" with ':' and ',' -> k, a, b, c).
TQTOOL_API void Str2StrArr(String text, StringArray& array, char firstSeparator, char separator);
/// As the one-separator Str2StrArr, appending to `out`.
TQTOOL_API void Str2Vector(const String& text, std::vector<String>& out, char separator);
/// Joins the items with `separator` after removing every occurrence of the separator from each
/// item ({"a-b", "c"} with "-" -> "ab-c"). An empty array gives ""; an empty separator removes
/// nothing and concatenates the items.
TQTOOL_API String StrArr2Str(StringArray& array, String separator);
/// Same with a one-character separator. The NUL character is a separator like any other: NUL
/// bytes are removed from the items and the items are joined with one NUL byte.
TQTOOL_API String StrArr2Str(StringArray& array, char separator);

// ---- Words and characters ----

/// The n-th word of `text` (n from 1) where runs of blanks (0x20) separate words. n = 1 gives the
/// text up to its first blank (untrimmed); n < 1 gives "". For n >= 2 the result is trimmed of
/// white space. Throws InvalidArgument when the text has fewer than n - 1 runs of blanks.
TQTOOL_API String NthSpaceStr(String text, int n);
/// Number of occurrences of the character `c` in `text`.
TQTOOL_API int FindChNumInStr(String text, char c);
/// Number of occurrences of `c`; appends the 1-based byte position of each to `positions`.
TQTOOL_API int FindChNumInStr(String text, char c, UIntArray& positions);
/// Removes every ASCII white-space and punctuation character anywhere in `text`, keeping
/// double-byte characters whole; stores the result back into `text` and returns it.
TQTOOL_API String StrAlltrim(String& text);
/// Trims white space at both ends; if the result contains a point, removes trailing zeros and
/// then trailing points ("12.3400" -> "12.34", "5.000" -> "5", "100" stays).
TQTOOL_API String StrTrim0(String text);
/// Trims white space at both ends, then prefixes zeros up to `width` bytes ("42", 5 -> "00042").
TQTOOL_API String AddZeroToStr(String text, int width);
/// `n` blanks; "" for n < 1.
TQTOOL_API String Space(int n);
/// Appends a backslash to `path` unless its last character already is one (a trail byte 0x5C of a
/// double-byte character is not a backslash); returns the (changed) path.
TQTOOL_API String ConfirmBackslash(String& path);

// ---- Array searches ----

/// True if an item of `array` equals `text` exactly.
TQTOOL_API bool IsStrInStrArr(const StringArray& array, const String& text);
/// True if an item of `vector` equals `text` exactly.
TQTOOL_API bool IsStrInStrArr(const String& text, const std::vector<String>& vector);
/// True if an item of `array` equals `text` ignoring ASCII case.
TQTOOL_API bool IsStrInStrArrNoCase(const String& text, const StringArray& array);
/// Mode 1: true if an item equals `text` exactly; any other mode: equality ignoring ASCII case.
TQTOOL_API bool StrInStrArr(const StringArray& array, String text, int mode);
/// Finds the first item equal to `text` (exactly); on success stores its index in `position`.
TQTOOL_API bool FindPos(StringArray& array, String text, int& position);
/// Finds the first item at or after `start` equal to `text` (ASCII case ignored unless
/// `caseSensitive`); on success stores its index in `index`. A start at or beyond the size gives
/// false; a negative start throws InvalidArgument. A null `text` counts as "".
TQTOOL_API bool StrArrFindStr(StringArray& array, const char* text, int& index, int start,
                              bool caseSensitive);
/// Appends the index of every item at or after `start` that contains `text` (case-sensitive; ""
/// is contained in every item) to `indices`; true if any. A negative start throws InvalidArgument.
TQTOOL_API bool StrArrFindStr(StringArray& array, const char* text, UIntArray& indices, int start);
/// Finds the first item at or after `start` that begins with `prefix` (ASCII case ignored unless
/// `caseSensitive`); on success stores its index in `index`. A negative start throws
/// InvalidArgument.
TQTOOL_API bool StrArrFindStrLeftPart(StringArray& array, const char* prefix, int& index, int start,
                                      bool caseSensitive);
/// True if both arrays have the same size and exactly equal items at every index.
TQTOOL_API bool StrArrIsEq(StringArray& a, StringArray& b);

}  // namespace tq
