// Private-profile text: how the bytes of an INI file are read and minimally edited.
//
// Reading rules (those of the Windows profile functions on ANSI files):
// - CRLF, LF and CR end lines alike; a last line without a line end is a line like the others.
//   A UTF-8 byte order mark at the very start is skipped (and kept when the file is rewritten).
// - A line is cut at its first NUL byte for reading (the bytes stay in the file).
// - Blanks, tabs, vertical tabs and form feeds around section names, keys and values are ignored.
// - A line whose first non-blank character is '[' and that holds a ']' later on is a section
//   header; the name is the text between the '[' and the last ']' (searched character by
//   character, so a GBK trail byte 0x5D is never taken for ']'); text after that ']' is ignored.
// - A line whose first non-blank character is ';' is a comment. '#' starts no comment.
// - Any other non-blank line is an entry: the key is the text before the first '=', the value
//   the text after it (comments after a value belong to the value). A line without '=' is an
//   entry with that line as its name and no value.
// - Lines before the first section header belong to no section and are never read.
// - Section and key names match ignoring the case of ASCII letters only (never a trail byte).
// - With duplicate sections, lookups and listings of a section see its first block only; with
//   duplicate keys the first one wins. The list of section names shows every header.
// - A value read by key loses one pair of matching double or single quotes around it; the
//   entries of a section listing keep them.
// - A file that starts with a UTF-16 byte order mark is UTF-16 text, read as its GBK form.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tqtool/types.h"

namespace tq::os::profile {

/// The part of `s` before its first NUL byte (what a C string of the same bytes holds).
std::string_view cstr(std::string_view s);
inline bool isBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}
std::string_view trimBlanks(std::string_view s);
/// True when the names match ignoring the case of ASCII letters; trail bytes compare exactly.
bool namesEqual(std::string_view a, std::string_view b);
/// Removes one pair of matching double or single quotes around `v` (at least two bytes).
std::string_view stripQuotes(std::string_view v);
/// Length of a leading UTF-8 byte order mark (3) or 0.
size_t bomLength(std::string_view text);

/// One physical line: content [begin, end), line end [end, next).
struct Line {
    size_t begin = 0, end = 0, next = 0;
};

/// Splits text into lines (CRLF, LF or CR); linear even on files that use CR alone.
class LineReader {
  public:
    LineReader(std::string_view text, size_t start) : t_(text), pos_(start) {}
    bool next(Line& l);

  private:
    std::string_view t_;
    size_t pos_;
    size_t nl_ = 0;         // position of the next '\n' at or after pos_ (valid when nlValid_)
    bool nlValid_ = false;  // false: not searched yet
};

enum class LineKind { Blank, Comment, Header, Entry };

struct LineInfo {
    LineKind kind = LineKind::Blank;
    std::string_view name;   // header: section name; entry: key (the whole line without '=')
    std::string_view value;  // entry with '=': the value; otherwise empty
    bool hasEquals = false;
    const char* equals = nullptr;  // the '=' of an entry that has one
};

/// Classifies one line's content (without its line end).
LineInfo classify(std::string_view content);

/// A whole profile text, read-only. Every query scans the text once.
class ProfileText {
  public:
    ProfileText() = default;
    explicit ProfileText(std::string_view text) : text_(text), start_(bomLength(text)) {}

    /// The value of `key` in the first block of `section`, quotes stripped; false when the
    /// section or the key is missing (an entry without '=' gives true and an empty value).
    bool value(std::string_view section, std::string_view key, String& out) const;
    /// Names of all section headers in file order (duplicates included, empty names left out).
    StringArray sectionNames() const;
    /// Key names of the first block of `section` in file order (empty names left out).
    StringArray keyNames(std::string_view section) const;
    /// Entries of the first block of `section`: "key=value", or the name alone without '='.
    StringArray entries(std::string_view section) const;

    /// Calls f(sectionName, LineInfo) for every entry line under a header, in file order, and
    /// h(sectionName) for every header (before its entries).
    template <class OnHeader, class OnEntry>
    void forEach(OnHeader h, OnEntry f) const {
        LineReader r(text_, start_);
        Line l;
        bool inSection = false;
        std::string_view section;
        while (r.next(l)) {
            LineInfo info = classify(text_.substr(l.begin, l.end - l.begin));
            if (info.kind == LineKind::Header) {
                inSection = true;
                section = info.name;
                h(section);
            } else if (info.kind == LineKind::Entry && inSection) {
                f(section, info);
            }
        }
    }

  private:
    template <class F>
    void forFirstBlock(std::string_view section, F f) const;

    std::string_view text_;
    size_t start_ = 0;
};

/// One change to a profile text.
struct Edit {
    enum Kind { Set, DeleteKey, DeleteSection, DeleteAllSections } kind = Set;
    String section, key, value;
};

/// True when the edit may be written at all: names hold no line break, and the names of a set
/// read back as themselves: the section's header line is a header of that name (no lone GBK
/// lead byte at the end that would take the ']' as its trail byte), the key neither starts with
/// '[' or ';' nor holds '=' (it would read as a header, a comment or another key) and does not
/// end in a lone lead byte either.
bool editIsValid(const Edit& e);

/// One change to a text: the bytes [begin, end) become `text`.
struct Splice {
    size_t begin, end;
    std::string text;
};
/// The changes that one edit makes to `text`, touching only the lines it must: ascending, not
/// overlapping, each beginning and ending next to a line break or at an end of the text. Empty
/// when the text already is as the edit asks or the edit is not valid.
std::vector<Splice> planEdit(std::string_view text, const Edit& e);
void applySplices(std::string& text, const std::vector<Splice>& splices);
/// planEdit + applySplices; true when the text changed.
bool applyEdit(std::string& text, const Edit& e);
/// The line end of the first line ("\r\n", "\n" or "\r"); "\r\n" when there is none.
std::string_view detectEol(std::string_view text);

/// How a file's bytes hold its text: GBK (also behind a UTF-8 byte order mark), or UTF-16 with
/// its byte order mark (FF FE little-endian, FE FF big-endian) as Windows "Unicode" files are.
enum class Encoding { Ansi, Utf16Le, Utf16Be };
Encoding encodingOf(std::string_view bytes);
/// The UTF-16 text of a UTF-16 file's bytes (after the mark; an odd last byte left out); empty
/// for other files.
std::u16string decodeUtf16(std::string_view bytes);
/// The text the reading rules see: a UTF-16 file converted to GBK (characters GBK cannot hold
/// become '?'), any other file as it is.
std::string decodeFile(std::string bytes);

struct FileEdit {
    bool changed = false;  // the bytes changed
    bool refused = false;  // a set was not valid, or its text has no UTF-16 form
};
/// Applies the edits in order to a whole file's bytes, keeping its encoding: a UTF-16 file stays
/// UTF-16 with its mark, and every line an edit does not touch keeps its bytes (characters GBK
/// cannot hold included). Refused edits are skipped; the others are applied.
FileEdit editFile(std::string& bytes, const std::vector<Edit>& edits);

/// Copies a list of items into a caller's buffer as the Windows list functions do: each item
/// followed by a NUL, the list by one more NUL; a list that does not fit is cut, ends with two
/// NULs and returns size - 2. Returns the number of bytes copied without the final NUL.
uint32_t copyList(const StringArray& items, char* buf, uint32_t size);

}  // namespace tq::os::profile
