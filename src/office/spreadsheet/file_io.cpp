// Opening and saving workbook files by their type.
#include "office/spreadsheet/file_io.h"

#include <cstring>

#include "office/common/compound_file.h"
#include "office/spreadsheet/file_messages.h"
#include "office/spreadsheet/xls/xls_reader.h"
#include "office/spreadsheet/xls/xls_writer.h"
#include "office/spreadsheet/xlsx/xlsx_reader.h"
#include "office/spreadsheet/xlsx/xlsx_writer.h"
#include "os/file_read.h"
#include "text/text.h"

namespace tq::office {

namespace {

// Decides by the first bytes of a regular file (its extension otherwise); refuses special files
// and encrypted packages before any reader opens them.
FileKind kindOfContent(const std::string& path) {
    std::string why;
    os::RegularFile file;
    if (!file.open(path, why)) ThrowReadError(path, "the file cannot be opened: " + why);
    cfb::ReadAt read = [&file](uint64_t off, void* buf, size_t n) {
        return file.readAt(off, buf, n);
    };
    char magic[8] = {};
    FileKind kind = KindOfPath(path);
    const size_t got = read(0, magic, sizeof magic);
    if (got >= 4 && std::memcmp(magic, "PK\3\4", 4) == 0) {
        kind = FileKind::Xlsx;
    } else if (cfb::HasSignature(std::string_view(magic, got))) {
        bool encrypted = cfb::IsEncryptedPackage(read, file.size());
        file.close();
        if (encrypted) ThrowReadError(path, cfb::kEncryptedPackageProblem);
        return FileKind::Xls;
    }
    return kind;
}

}  // namespace

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
    switch (kindOfContent(path)) {
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
            ThrowReadError(path, "not a workbook (.xlsx, .xlsm, .xls or .csv)");
    }
    if (out.sheets.empty()) ThrowReadError(path, "it holds no sheet");
}

void SaveWorkbook(BookModel& b, const std::string& path, int activeSheet) {
    switch (KindOfPath(path)) {
        case FileKind::Csv:
            if (activeSheet < 0 || static_cast<size_t>(activeSheet) >= b.wb.sheets.size())
                activeSheet = 0;
            WriteCsv(b, b.wb.sheets[static_cast<size_t>(activeSheet)], path);
            break;
        case FileKind::Xls:
            WriteXls(b, path, activeSheet);
            break;
        default:
            WriteXlsx(b, path, activeSheet);
            break;
    }
}

}  // namespace tq::office
