// The package structure of an .xlsx file: relationship parts, content types and the resolution
// of relationship targets to part names.
#include "office/spreadsheet/xlsx/read_parts.h"
#include "text/text.h"

namespace tq::office::xlsx {

namespace {

std::string dirOf(const std::string& part) {
    size_t p = part.rfind('/');
    return p == std::string::npos ? std::string() : part.substr(0, p + 1);
}

std::string relsOf(const std::string& part) {
    std::string dir = dirOf(part);
    return dir + "_rels/" + part.substr(dir.size()) + ".rels";
}

// Resolves a relationship target against the folder of its source part: "/x" is absolute, ".."
// and "." segments are applied, and the result has no leading '/'.
std::string resolve(const std::string& baseDir, std::string_view target) {
    std::string path = !target.empty() && target.front() == '/' ? std::string(target.substr(1))
                                                                : baseDir + std::string(target);
    std::vector<std::string_view> segs;
    std::string_view rest = path;
    for (;;) {
        size_t j = rest.find('/');
        std::string_view seg = rest.substr(0, j);
        if (seg == "..") {
            if (!segs.empty()) segs.pop_back();
        } else if (!seg.empty() && seg != ".") {
            segs.push_back(seg);
        }
        if (j == std::string_view::npos) break;
        rest.remove_prefix(j + 1);
    }
    std::string out;
    for (std::string_view s : segs) {
        if (!out.empty()) out += '/';
        out += s;
    }
    return out;
}

std::string lastSegment(std::string_view uri) {
    size_t slash = uri.rfind('/');
    return std::string(slash == std::string_view::npos ? uri : uri.substr(slash + 1));
}

}  // namespace

Relationships ReadRelationships(ReadContext& ctx, const std::string& sourcePart) {
    Relationships rels;
    std::string part = sourcePart.empty() ? std::string("_rels/.rels") : relsOf(sourcePart);
    if (!ctx.zip.has(part)) return rels;
    XmlPart p(ctx, part);
    std::string base = dirOf(sourcePart);
    for (XmlPull::Event ev; (ev = p.x.next()) != XmlPull::Eof;) {
        if (ev != XmlPull::Start || p.x.name() != "Relationship") continue;
        if (p.x.attr("TargetMode") == "External") continue;
        ctx.budget.records();
        std::string id(p.x.attr("Id"));
        Relationship r{lastSegment(p.x.attr("Type")), resolve(base, p.x.attr("Target"))};
        rels.emplace(std::move(id), std::move(r));
    }
    return rels;
}

void ContentTypes::read(ReadContext& ctx) {
    const std::string part = "[Content_Types].xml";
    if (!ctx.zip.has(part)) return;
    XmlPart p(ctx, part);
    for (XmlPull::Event ev; (ev = p.x.next()) != XmlPull::Eof;) {
        if (ev != XmlPull::Start) continue;
        std::string_view n = p.x.name();
        if (n != "Default" && n != "Override") continue;
        ctx.budget.records();
        std::string type(p.x.attr("ContentType"));
        if (n == "Default")
            defaults_[text::toLower(p.x.attr("Extension"))] = std::move(type);
        else
            overrides_[text::toLower(resolve("", p.x.attr("PartName")))] = std::move(type);
    }
}

std::string ContentTypes::typeOf(std::string_view part) const {
    std::string key = text::toLower(part);
    auto it = overrides_.find(key);
    if (it != overrides_.end()) return it->second;
    size_t dot = key.rfind('.');
    if (dot != std::string::npos && key.find('/', dot) == std::string::npos) {
        auto d = defaults_.find(key.substr(dot + 1));
        if (d != defaults_.end()) return d->second;
    }
    return {};
}

std::string ContentTypes::workbookPart() const {
    for (const auto& [part, type] : overrides_) {
        bool spreadsheet = type.find("spreadsheetml") != std::string::npos ||
                           type.find("ms-excel") != std::string::npos;
        if (spreadsheet && type.ends_with("main+xml")) return part;
    }
    return {};
}

std::string FindWorkbookPart(ReadContext& ctx, const ContentTypes& types) {
    for (const auto& [id, r] : ReadRelationships(ctx, std::string()))
        if (r.type == "officeDocument") return r.target;
    std::string byType = types.workbookPart();
    return byType.empty() ? std::string("xl/workbook.xml") : byType;
}

}  // namespace tq::office::xlsx
