#include "office/spreadsheet/xls/xls_reader.h"

#include <freexl.h>
#include <sys/stat.h>

#include <new>

#include "office/spreadsheet/xlsx/xlsx_reader.h"
#include "tqtool/types.h"
#include "text/text.h"

namespace tq::office {
namespace {

[[noreturn]] void fail(const std::string& path, const std::string& what) {
    throw AutomationError(hresult::E_FAIL_,
                          "cannot read workbook '" + text::utf8ToGbk(path) + "': " + what);
}

std::string describe(int rc) {
    switch (rc) {
        case FREEXL_FILE_NOT_FOUND:
            return "file not found";
        case FREEXL_INSUFFICIENT_MEMORY:
            return "out of memory";
        case FREEXL_INVALID_CFBF_HEADER:
            return "not an .xls workbook";
        case FREEXL_BIFF_INVALID_BOF:
        case FREEXL_CFBF_INVALID_SIGNATURE:
        case FREEXL_CFBF_INVALID_SECTOR_SIZE:
        case FREEXL_CFBF_EMPTY_FAT_CHAIN:
        case FREEXL_CFBF_ILLEGAL_FAT_ENTRY:
        case FREEXL_CFBF_ILLEGAL_MINI_FAT_ENTRY:
        case FREEXL_INVALID_MINI_STREAM:
        case FREEXL_CFBF_READ_ERROR:
        case FREEXL_CFBF_SEEK_ERROR:
            return "not an .xls workbook or a damaged one";
        case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
            return "the file holds no workbook stream";
        case FREEXL_CRAFTED_FILE:
            return "damaged .xls workbook (inconsistent structure)";
        default:
            return "damaged .xls workbook (error " + std::to_string(rc) + ")";
    }
}

class Handle {
  public:
    ~Handle() {
        if (h) freexl_close(h);
    }
    const void* h = nullptr;
};

uint32_t dateStyle(Workbook& wb, const char* fmt) {
    for (size_t i = 1; i < wb.styles.size(); ++i)
        if (wb.styles[i].numFmt == fmt) return static_cast<uint32_t>(i);
    Style st;
    st.numFmt = fmt;
    wb.styles.push_back(st);
    return static_cast<uint32_t>(wb.styles.size() - 1);
}

}  // namespace

void ReadXls(const std::string& utf8Path, Workbook& out) {
    struct stat st {};
    if (::stat(utf8Path.c_str(), &st) != 0) fail(utf8Path, "file not found or not accessible");
    if (S_ISDIR(st.st_mode)) fail(utf8Path, "is a folder, not a file");
    if (st.st_size == 0) fail(utf8Path, "the file is empty");
    Workbook wb;
    wb.styles.assign(1, Style{});
    try {
        Handle h;
        int rc = freexl_open(utf8Path.c_str(), &h.h);
        if (rc != FREEXL_OK) fail(utf8Path, describe(rc));
        unsigned int info = 0;
        if (freexl_get_info(h.h, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
            info == FREEXL_BIFF_OBFUSCATED)
            fail(utf8Path, "the workbook is protected by a password");
        unsigned int count = 0;
        if (freexl_get_info(h.h, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK || count == 0)
            fail(utf8Path, "the workbook has no sheets");
        for (unsigned int s = 0; s < count && s < 65536; ++s) {
            Sheet& sh = wb.sheets.emplace_back();
            const char* name = nullptr;
            if (freexl_get_worksheet_name(h.h, static_cast<unsigned short>(s), &name) ==
                    FREEXL_OK &&
                name)
                sh.name = name;
            else
                sh.name = "Sheet" + std::to_string(s + 1);
            if (freexl_select_active_worksheet(h.h, static_cast<unsigned short>(s)) != FREEXL_OK)
                fail(utf8Path, "sheet " + std::to_string(s + 1) + " cannot be read");
            unsigned int rows = 0;
            unsigned short cols = 0;
            if (freexl_worksheet_dimensions(h.h, &rows, &cols) != FREEXL_OK)
                fail(utf8Path, "sheet " + std::to_string(s + 1) + " cannot be read");
            if (rows > 65536) rows = 65536;
            if (cols > 256) cols = 256;
            for (unsigned int r = 0; r < rows; ++r) {
                Row row;
                row.row = r;
                for (unsigned short c = 0; c < cols; ++c) {
                    FreeXL_CellValue v;
                    if (freexl_get_cell_value(h.h, r, c, &v) != FREEXL_OK) continue;
                    Cell cell;
                    cell.col = c;
                    switch (v.type) {
                        case FREEXL_CELL_INT:
                            cell.type = CellType::Number;
                            cell.num = v.value.int_value;
                            break;
                        case FREEXL_CELL_DOUBLE:
                            cell.type = CellType::Number;
                            cell.num = v.value.double_value;
                            break;
                        case FREEXL_CELL_TEXT:
                        case FREEXL_CELL_SST_TEXT:
                            cell.type = CellType::String;
                            cell.str = static_cast<uint32_t>(wb.strings.size());
                            wb.strings.emplace_back(v.value.text_value ? v.value.text_value : "");
                            break;
                        case FREEXL_CELL_DATE:
                        case FREEXL_CELL_DATETIME:
                        case FREEXL_CELL_TIME: {
                            double serial = 0;
                            if (!v.value.text_value ||
                                !IsoDateToSerial(v.value.text_value, false, serial))
                                continue;
                            cell.type = CellType::Number;
                            cell.num = serial;
                            cell.style =
                                dateStyle(wb, v.type == FREEXL_CELL_DATE       ? "yyyy/m/d"
                                              : v.type == FREEXL_CELL_DATETIME ? "yyyy/m/d h:mm:ss"
                                                                               : "h:mm:ss");
                            break;
                        }
                        default:
                            continue;
                    }
                    row.cells.push_back(cell);
                }
                if (!row.cells.empty()) sh.rows.push_back(std::move(row));
            }
        }
    } catch (const std::bad_alloc&) {
        fail(utf8Path, "out of memory");
    }
    out = std::move(wb);
}

}  // namespace tq::office
