// Reads a workbook and fetches every cell's value and text form, timing the whole run.
//
//   xlsx_read_bench FILE            through the automation calls: Excel.Application,
//   Workbooks.Open,
//                                   Worksheets.Item(1), Cells.Item(r, c), Range.Value, and the
//                                   value's text by the coercion to a string
//   xlsx_read_bench FILE --model    ReadXlsx and a walk over the model (value and text of each
//   cell)
//
// Prints one line: mode, cells, text bytes, seconds. The automation mode fails when the
// spreadsheet server is not available: it never measures anything else in its place.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "automation/excel_ops.h"
#include "automation/holder.h"
#include "automation/servers.h"
#include "office/builtin_servers.h"
#include "office/spreadsheet/xlsx/xlsx_reader.h"
#include "text/dates.h"
#include "text/number_text.h"
#include "text/text.h"
#include "tqtool/types.h"

using namespace tq::automation;
using Clock = std::chrono::steady_clock;

namespace {

struct Result {
    size_t cells = 0;
    size_t textBytes = 0;
};

Result modelWalk(const std::string& path) {
    tq::office::Workbook wb;
    tq::office::ReadXlsx(path, wb);
    Result r;
    const auto& sh = wb.sheets.at(0);
    std::string text;
    for (const auto& row : sh.rows)
        for (const auto& c : row.cells) {
            ++r.cells;
            switch (c.type) {
                case tq::office::CellType::Number:
                    text = tq::text::FormatNumber(c.num);
                    break;
                case tq::office::CellType::String:
                    text = tq::text::utf8ToGbk(wb.strings[c.str]);
                    break;
                case tq::office::CellType::Bool:
                    text = c.boolean ? "True" : "False";
                    break;
                default:
                    text.clear();
            }
            r.textBytes += text.size();
        }
    return r;
}

bool automationWalk(const std::string& path, Result& r) {
    tq::office::RegisterBuiltinServers();
    DispatchPtr app;
    if (!tq::automation::CreateDispatch("Excel.Application", app) || !app) return false;
    Holder xl(app);
    xl.SetProperty(xl::Application_DisplayAlerts, Variant::Bool(false));
    Holder books = xl.GetObject(xl::Application_Workbooks);
    auto args = xl::OpenArgs(StrVariant(tq::text::pathFromOs(path)), Variant::Missing(),
                             Variant::Bool(true));
    Holder book = books.InvokeObject(xl::Workbooks_Open, InvokeKind::Method, args);
    Holder sheet =
        book.GetObject(xl::Workbook_Worksheets).GetObject(xl::Sheets_Item, {Variant::I4(1)});
    Holder used = sheet.GetObject(xl::Worksheet_UsedRange);
    int32_t rows = used.GetObject(xl::Range_Rows).GetProperty(xl::Range_Count, VT_I4).lVal;
    int32_t cols = used.GetObject(xl::Range_Columns).GetProperty(xl::Range_Count, VT_I4).lVal;
    int32_t row0 = used.GetProperty(xl::Range_Row, VT_I4).lVal;
    int32_t col0 = used.GetProperty(xl::Range_Column, VT_I4).lVal;
    Holder cells = sheet.GetObject(xl::Worksheet_Cells);
    for (int32_t i = 0; i < rows; ++i)
        for (int32_t j = 0; j < cols; ++j) {
            Variant item = cells.InvokeHelper(xl::Range_Item, InvokeKind::PropertyGet, VT_VARIANT,
                                              {Variant::I4(row0 + i), Variant::I4(col0 + j)});
            Holder cell(item.disp);
            Variant v = cell.GetProperty(xl::Range_Value, VT_VARIANT);
            ++r.cells;
            if (v.vt == VT_EMPTY || v.vt == VT_ERROR) continue;
            r.textBytes += VariantToString(v).size();
        }
    book.InvokeHelper(xl::Workbook_Close, InvokeKind::Method, VT_EMPTY,
                      xl::CloseArgs(Variant::Bool(false)));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [--model]\n", argv[0]);
        return 2;
    }
    std::string path = argv[1];
    bool model = argc > 2 && std::strcmp(argv[2], "--model") == 0;
    auto t0 = Clock::now();
    Result r;
    const char* mode = "automation";
    try {
        if (model) {
            mode = "model";
            r = modelWalk(path);
        } else if (!automationWalk(path, r)) {
            std::fprintf(stderr, "failed: the spreadsheet server is not available\n");
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    double secs = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("mode=%s cells=%zu text_bytes=%zu seconds=%.3f\n", mode, r.cells, r.textBytes,
                secs);
    return 0;
}
