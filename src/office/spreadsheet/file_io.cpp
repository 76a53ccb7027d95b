// Opening and saving workbook files by their type.
#include "office/spreadsheet/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "office/spreadsheet/xls/xls_reader.h"
#include "office/spreadsheet/xlsx/xlsx_reader.h"
#include "office/spreadsheet/xlsx/xlsx_writer.h"
#include "tqtool/types.h"
#include "text/text.h"

namespace tq::office {

FileKind KindOfPath(const std::string& path) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return FileKind::Unknown;
    std::string ext = text::toLower(path.substr(dot + 1));
    if (ext == "xlsx" || ext == "xlsm") return FileKind::Xlsx;
    if (ext == "xls") return FileKind::Xls;
    if (ext == "csv" || ext == "txt") return FileKind::Csv;
    return FileKind::Unknown;
}

void LoadWorkbook(const std::string& path, Workbook& out) {
    unsigned char magic[8] = {};
    size_t got = 0;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        got = std::fread(magic, 1, sizeof magic, f);
        std::fclose(f);
    } else {
        throw AutomationError(hresult::E_FAIL_, "cannot open '" + PathForMessage(path) +
                                                    "': " + std::strerror(errno));
    }
    static const unsigned char kOle[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    FileKind kind = KindOfPath(path);
    if (got >= 4 && magic[0] == 'P' && magic[1] == 'K' && magic[2] == 3 && magic[3] == 4)
        kind = FileKind::Xlsx;
    else if (got == 8 && std::memcmp(magic, kOle, 8) == 0)
        kind = FileKind::Xls;
    switch (kind) {
        case FileKind::Xlsx:
            ReadXlsx(path, out);
            break;
        case FileKind::Xls:
            ReadXls(path, out);
            break;
        case FileKind::Csv:
            ReadCsv(path, out);
            break;
        case FileKind::Unknown:
            throw AutomationError(hresult::E_FAIL_,
                                  "cannot open '" + PathForMessage(path) +
                                      "': not a workbook (.xlsx, .xlsm, .xls or .csv)");
    }
    if (out.sheets.empty())
        throw AutomationError(hresult::E_FAIL_,
                              "cannot open '" + PathForMessage(path) + "': it holds no sheet");
}

void SaveWorkbook(BookModel& b, const std::string& path, int activeSheet) {
    switch (KindOfPath(path)) {
        case FileKind::Csv:
            if (activeSheet < 0 || static_cast<size_t>(activeSheet) >= b.wb.sheets.size())
                activeSheet = 0;
            WriteCsv(b, b.wb.sheets[static_cast<size_t>(activeSheet)], path);
            break;
        case FileKind::Xls:
            throw AutomationError(hresult::E_FAIL_,
                                  "cannot write '" + PathForMessage(path) +
                                      "': .xls files can be read but not written; "
                                      "save as .xlsx");
        default:
            WriteXlsx(b, path, activeSheet);
            break;
    }
}

}  // namespace tq::office
