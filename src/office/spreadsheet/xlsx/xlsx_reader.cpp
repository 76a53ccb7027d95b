// Reading .xlsx packages: the driver that takes the parts in order (package structure, workbook,
// styles, shared strings, then each sheet) and turns every failure into one message naming the
// file.
#include "office/spreadsheet/xlsx/xlsx_reader.h"

#include <cmath>
#include <new>

#include "office/spreadsheet/file_messages.h"
#include "office/spreadsheet/xlsx/read_parts.h"

namespace tq::office {

namespace {

void readPackage(xlsx::ReadContext& ctx) {
    xlsx::ContentTypes types;
    types.read(ctx);
    std::string wbPart = xlsx::FindWorkbookPart(ctx, types);
    if (!ctx.zip.has(wbPart)) throw ZipError("not a workbook (the part " + wbPart + " is missing)");
    std::vector<xlsx::SheetEntry> sheets = xlsx::ReadWorkbookPart(ctx, wbPart);
    if (sheets.empty()) throw ZipError("the workbook has no sheets");

    xlsx::Relationships rels = xlsx::ReadRelationships(ctx, wbPart);
    std::string sst, styles;
    for (const auto& [id, r] : rels) {
        if (r.type == "sharedStrings" && sst.empty()) sst = r.target;
        if (r.type == "styles" && styles.empty()) styles = r.target;
    }
    if (!styles.empty() && ctx.zip.has(styles)) xlsx::ReadStylesPart(ctx, styles);
    if (!sst.empty() && ctx.zip.has(sst)) xlsx::ReadSharedStrings(ctx, sst);

    ctx.wb.sheets.reserve(sheets.size());
    for (const xlsx::SheetEntry& entry : sheets) {
        ctx.budget.records();
        Sheet& sh = ctx.wb.sheets.emplace_back();
        sh.name = entry.name;
        auto it = rels.find(entry.rid);
        if (it == rels.end())
            throw ZipError("sheet '" + entry.name + "' has no part in the package");
        sh.kind = xlsx::KindOfSheet(it->second, types);
        if (sh.kind != SheetKind::Chart) xlsx::ReadWorksheetPart(ctx, it->second.target, sh);
    }
}

template <typename Open>
void readWith(const std::string& name, Workbook& out, const Limits& limits, Open open) {
    Workbook wb;
    wb.styles.assign(1, Style{});
    try {
        std::unique_ptr<ZipArchive> zip = open();
        xlsx::ReadContext ctx{*zip, wb, limits, ReadBudget(limits), {}, 0, 0};
        readPackage(ctx);
    } catch (const ZipError& e) {
        ThrowReadError(name, e.what());
    } catch (const LimitError& e) {
        ThrowReadError(name, e.what());
    } catch (const std::bad_alloc&) {
        ThrowReadError(name, "out of memory");
    } catch (const std::length_error&) {
        ThrowReadError(name, "out of memory");
    }
    out = std::move(wb);
}

}  // namespace

double ColumnWidthFromFile(double fileWidth) {
    // The spreadsheet lays columns out in whole pixels of the default font's digit (7 px for
    // Calibri 11): a file width w covers round(w * 7) pixels, 5 of them padding.
    double px = std::floor(fileWidth * 7 + 0.5);
    double chars = px <= 12 ? px / 12 : (px - 5) / 7;
    return std::floor(chars * 100 + 0.5) / 100;
}

void ReadXlsx(const std::string& utf8Path, Workbook& out, const Limits& limits) {
    readWith(utf8Path, out, limits, [&] { return std::make_unique<ZipArchive>(utf8Path, limits); });
}

void ReadXlsx(const std::string& utf8Path, Workbook& out) {
    ReadXlsx(utf8Path, out, GetLimits());
}

void ReadXlsxMemory(const void* data, size_t size, const std::string& displayName, Workbook& out,
                    const Limits& limits) {
    readWith(displayName, out, limits,
             [&] { return std::make_unique<ZipArchive>(data, size, limits); });
}

}  // namespace tq::office
