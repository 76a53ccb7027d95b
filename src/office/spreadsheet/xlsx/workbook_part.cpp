// The workbook part of an .xlsx package: the sheets in workbook order with the relationships
// that lead to their parts, the kind of each sheet, and the date system.
#include "office/spreadsheet/xlsx/read_parts.h"

namespace tq::office::xlsx {

std::vector<SheetEntry> ReadWorkbookPart(ReadContext& ctx, const std::string& part) {
    std::vector<SheetEntry> sheets;
    XmlPart p(ctx, part);
    for (XmlPull::Event ev; (ev = p.x.next()) != XmlPull::Eof;) {
        if (ev != XmlPull::Start) continue;
        std::string_view n = p.x.name();
        if (n == "sheet") {
            SheetEntry e{std::string(p.x.attr("name")), std::string(p.x.attr("id"))};  // r:id
            ctx.budget.text(e.name.size());
            sheets.push_back(std::move(e));
        } else if (n == "workbookPr") {
            ctx.wb.date1904 = attrBool(p.x.attr("date1904"), false);
        } else if (n == "definedNames" || n == "extLst" || n == "bookViews") {
            p.x.skipElement();
        }
    }
    return sheets;
}

SheetKind KindOfSheet(const Relationship& rel, const ContentTypes& types) {
    const std::string& t = rel.type;
    if (t == "worksheet") return SheetKind::Worksheet;
    if (t == "chartsheet") return SheetKind::Chart;
    if (t == "dialogsheet") return SheetKind::Dialog;
    if (t == "xlMacrosheet" || t == "xlIntlMacrosheet") return SheetKind::Macro;
    std::string type = types.typeOf(rel.target);
    if (type.ends_with("chartsheet+xml")) return SheetKind::Chart;
    if (type.ends_with("dialogsheet+xml")) return SheetKind::Dialog;
    if (type.ends_with("macrosheet+xml")) return SheetKind::Macro;
    return SheetKind::Worksheet;
}

}  // namespace tq::office::xlsx
