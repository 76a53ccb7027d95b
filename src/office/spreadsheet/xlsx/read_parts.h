// The .xlsx reader's parts: one reader per kind of package part (relationships and content
// types, workbook, styles, shared strings, worksheet), sharing the package and the workbook being
// filled. Errors are thrown as ZipError (or LimitError) with an English UTF-8 reason; the driver
// (xlsx_reader.cpp) names the file.
#pragma once

#include <charconv>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "office/common/xml_pull.h"
#include "office/common/zip_archive.h"
#include "office/spreadsheet/model/read_budget.h"
#include "office/spreadsheet/model/workbook_model.h"
#include "tqtool/limits.h"

namespace tq::office::xlsx {

/// The package being read and what its parts share.
struct ReadContext {
    ZipArchive& zip;
    Workbook& wb;
    const Limits& limits;
    ReadBudget budget;
    std::vector<uint32_t> xfMap;  // cell format index in the file -> model style
    uint32_t defaultStyle = 0;
    size_t sharedCount = 0;  // strings [0, sharedCount) of wb.strings are the shared ones
};

/// A part opened for parsing.
struct XmlPart {
    XmlPart(ReadContext& ctx, const std::string& name)
        : stream(ctx.zip.open(name)),
          x(*stream, name, stream->claimedSize(), ctx.limits.maxXmlDepth) {}
    std::unique_ptr<ZipPartStream> stream;
    XmlPull x;
};

// ---- Attribute values ----

inline std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() &&
           (s.front() == ' ' || s.front() == '\t' || s.front() == '\n' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\n' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

template <class Int>
bool parseInteger(std::string_view s, Int& v) {
    s = trimBlanks(s);
    if (s.empty()) return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

/// A finite decimal number; a magnitude beyond the range of doubles reads as 0.
inline bool parseDouble(std::string_view s, double& v) {
    s = trimBlanks(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec == std::errc::result_out_of_range) {
        v = 0;
        return r.ptr == s.data() + s.size();
    }
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(v);
}

inline bool attrBool(std::string_view v, bool dflt) {
    if (v.empty()) return dflt;
    return v == "1" || v == "true" || v == "on";
}

// ---- Package and relationships (package_part.cpp) ----

struct Relationship {
    std::string type;    // the last segment of the type URI ("worksheet", "sharedStrings" ...)
    std::string target;  // absolute part name without the leading '/'
};
using Relationships = std::map<std::string, Relationship>;  // by relationship id

/// The relationships of `sourcePart` ("" for the package's own); none when it has no
/// relationship part. External targets are left out.
Relationships ReadRelationships(ReadContext& ctx, const std::string& sourcePart);

/// The content type of every part the package lists ([Content_Types].xml).
class ContentTypes {
  public:
    void read(ReadContext& ctx);
    /// The content type of a part (by its override, else by its extension's default), or "".
    std::string typeOf(std::string_view part) const;
    /// The part whose content type is a workbook's (".main+xml" of a spreadsheet), or "".
    std::string workbookPart() const;

  private:
    std::map<std::string, std::string> defaults_;   // extension (lower case) -> type
    std::map<std::string, std::string> overrides_;  // part name (lower case, no '/') -> type
};

/// The workbook part: the package relationship's officeDocument target, else the part whose
/// content type is a workbook's, else xl/workbook.xml.
std::string FindWorkbookPart(ReadContext& ctx, const ContentTypes& types);

// ---- Workbook part (workbook_part.cpp) ----

struct SheetEntry {
    std::string name;  // UTF-8
    std::string rid;   // the relationship that leads to the sheet's part
};

/// Reads the sheet list and the date system of the workbook part.
std::vector<SheetEntry> ReadWorkbookPart(ReadContext& ctx, const std::string& part);

/// The kind of sheet a relationship leads to, by its type and, failing that, by the content type
/// of its part; Worksheet when neither says.
SheetKind KindOfSheet(const Relationship& rel, const ContentTypes& types);

// ---- Styles part (styles_part.cpp) ----

/// Reads the cell formats into wb.styles and ctx.xfMap.
void ReadStylesPart(ReadContext& ctx, const std::string& part);

// ---- Shared strings part (shared_strings_part.cpp) ----

/// Appends the text of the element at the current Start event (its text children) to `out` and
/// moves past its End.
void CollectText(XmlPull& x, std::string& out, const ReadBudget& budget);
/// Appends the text of a rich-text element (<si>, <is>) at the current Start event: its <t> and
/// the runs' <t>, phonetic guides left out, _xHHHH_ escapes decoded.
void CollectRichText(XmlPull& x, std::string& out, const ReadBudget& budget);
/// Reads the shared strings into wb.strings.
void ReadSharedStrings(ReadContext& ctx, const std::string& part);

// ---- Worksheet part (worksheet_part.cpp) ----

/// Reads a worksheet (or macro or dialog sheet) part: cells, rows, columns and merged areas.
void ReadWorksheetPart(ReadContext& ctx, const std::string& part, Sheet& sheet);

}  // namespace tq::office::xlsx
