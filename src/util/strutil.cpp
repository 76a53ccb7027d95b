// String and string-array utilities. Every scan walks the text once, character by character, so
// that a double-byte character is one unit and long texts cost linear time.
#include "tqtool/strutil.h"

#include <string>
#include <string_view>

#include "text/text.h"

namespace tq {

namespace {

// The split loop: a cut at every character equal to the separator; `first` is the separator of
// the first cut only.
template <typename Out>
void splitInto(std::string_view s, Out& out, char first, char separator) {
    if (s.empty()) return;
    size_t start = 0;
    char sep = first;
    text::forEachChar(s, [&](size_t i) {
        if (s[i] != sep) return;
        out.emplace_back(s.substr(start, i - start));
        start = i + 1;
        sep = separator;
    });
    out.emplace_back(s.substr(start));
}

// `item` without any occurrence of `separator` (occurrences start on character boundaries and do
// not overlap).
String removeAll(std::string_view item, std::string_view separator) {
    if (separator.empty()) return String(item);
    String out;
    out.reserve(item.size());
    size_t from = 0;
    text::forEachChar(item, [&](size_t i) {
        if (i < from || item.compare(i, separator.size(), separator) != 0) return;
        out.append(item.substr(from, i - from));
        from = i + separator.size();
    });
    out.append(item.substr(from));
    return out;
}

String join(const StringArray& array, std::string_view separator) {
    String out;
    for (size_t i = 0; i < array.size(); ++i) {
        if (i > 0) out.append(separator);
        out += removeAll(array[i], separator);
    }
    return out;
}

void checkStart(const char* function, int start) {
    if (start < 0)
        throw InvalidArgument(String(function) + ": negative start index " + std::to_string(start));
}

const char* orEmpty(const char* s) {
    return s ? s : "";
}

}  // namespace

// ---- Splitting and joining ----

void Str2StrArr(String text, StringArray& array, char separator) {
    splitInto(text, array, separator, separator);
}

void Str2StrArr(String text, StringArray& array, char firstSeparator, char separator) {
    splitInto(text, array, firstSeparator, separator);
}

void Str2Vector(const String& text, std::vector<String>& out, char separator) {
    splitInto(text, out, separator, separator);
}

String StrArr2Str(StringArray& array, String separator) {
    return join(array, separator);
}

String StrArr2Str(StringArray& array, char separator) {
    return join(array, std::string_view(&separator, 1));
}

// ---- Words and characters ----

String NthSpaceStr(String text, int n) {
    if (n < 1) return String();
    const std::string_view s = text;
    if (n == 1) return String(s.substr(0, text::find(s, ' ')));
    size_t pos = 0;  // start of the rest of the text, after k runs of blanks
    for (int k = 1; k < n; ++k) {
        size_t p = text::find(s, ' ', pos);
        if (p == text::npos)
            throw InvalidArgument("NthSpaceStr: fewer blank-separated words than asked for");
        pos = s.find_first_not_of(' ', p);
        if (pos == std::string_view::npos) pos = s.size();
    }
    String rest = text::trim(s.substr(pos));
    return rest.substr(0, text::find(rest, ' '));
}

int FindChNumInStr(String text, char c) {
    int count = 0;
    text::forEachChar(text, [&](size_t i) { count += text[i] == c; });
    return count;
}

int FindChNumInStr(String text, char c, UIntArray& positions) {
    int count = 0;
    text::forEachChar(text, [&](size_t i) {
        if (text[i] != c) return;
        ++count;
        positions.push_back(static_cast<uint32_t>(i + 1));
    });
    return count;
}

String StrAlltrim(String& text) {
    String out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t n = text::charLen(text, i);
        auto c = static_cast<unsigned char>(text[i]);
        // A double-byte character stays whole even when its trail byte looks like punctuation.
        if (n == 2 || !(text::isSpace(c) || text::isPunct(c))) out.append(text, i, n);
        i += n;
    }
    text = out;
    return text;
}

String StrTrim0(String text) {
    String s = text::trim(text);
    if (text::find(s, '.') != text::npos) {
        while (!s.empty() && s.back() == '0') s.pop_back();
        while (!s.empty() && s.back() == '.') s.pop_back();
    }
    return s;
}

String AddZeroToStr(String text, int width) {
    String s = text::trim(text);
    if (width <= 0 || s.size() >= static_cast<size_t>(width)) return s;
    return String(static_cast<size_t>(width) - s.size(), '0') + s;
}

String Space(int n) {
    return n < 1 ? String() : String(static_cast<size_t>(n), ' ');
}

String ConfirmBackslash(String& path) {
    // The path ends in a backslash only when its last character (not a trail byte) is one.
    if (path.empty() || text::rfind(path, '\\') != path.size() - 1) path += '\\';
    return path;
}

// ---- Array searches ----

bool IsStrInStrArr(const StringArray& array, const String& text) {
    for (const auto& item : array)
        if (item == text) return true;
    return false;
}

bool IsStrInStrArr(const String& text, const std::vector<String>& vector) {
    for (const auto& item : vector)
        if (item == text) return true;
    return false;
}

bool IsStrInStrArrNoCase(const String& text, const StringArray& array) {
    for (const auto& item : array)
        if (text::equalsNoCase(item, text)) return true;
    return false;
}

bool StrInStrArr(const StringArray& array, String text, int mode) {
    return mode == 1 ? IsStrInStrArr(array, text) : IsStrInStrArrNoCase(text, array);
}

bool FindPos(StringArray& array, String text, int& position) {
    for (size_t i = 0; i < array.size(); ++i) {
        if (array[i] == text) {
            position = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

bool StrArrFindStr(StringArray& array, const char* text, int& index, int start,
                   bool caseSensitive) {
    checkStart("StrArrFindStr", start);
    std::string_view t = orEmpty(text);
    for (size_t i = static_cast<size_t>(start); i < array.size(); ++i) {
        if (caseSensitive ? array[i] == t : text::equalsNoCase(array[i], t)) {
            index = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

bool StrArrFindStr(StringArray& array, const char* text, UIntArray& indices, int start) {
    checkStart("StrArrFindStr", start);
    std::string_view t = orEmpty(text);
    bool found = false;
    for (size_t i = static_cast<size_t>(start); i < array.size(); ++i) {
        if (text::find(array[i], t) != text::npos) {
            indices.push_back(static_cast<uint32_t>(i));
            found = true;
        }
    }
    return found;
}

bool StrArrFindStrLeftPart(StringArray& array, const char* prefix, int& index, int start,
                           bool caseSensitive) {
    checkStart("StrArrFindStrLeftPart", start);
    std::string_view p = orEmpty(prefix);
    for (size_t i = static_cast<size_t>(start); i < array.size(); ++i) {
        std::string_view head = std::string_view(array[i]).substr(0, p.size());
        if (caseSensitive ? head == p : text::equalsNoCase(head, p)) {
            index = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

bool StrArrIsEq(StringArray& a, StringArray& b) {
    return a == b;
}

}  // namespace tq
