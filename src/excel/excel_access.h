// Internal access to CTqExcel's server objects and reading state, for the export code that writes
// into an object's open workbook and for tests that look at the current range.
#pragma once

#include "automation/holder.h"
#include "tqtool/excel.h"

namespace tq {

struct CTqExcelAccess {
    static CTqExcel::ObjectRef& app(CTqExcel& x) { return x.app; }
    static CTqExcel::ObjectRef& range(CTqExcel& x) { return x.range; }
    static CTqExcel::ObjectRef& workRange(CTqExcel& x) { return x.workRange; }
    static CTqExcel::ObjectRef& sheet(CTqExcel& x) { return x.sheet; }
    static CTqExcel::ObjectRef& sheets(CTqExcel& x) { return x.sheets; }
    static CTqExcel::ObjectRef& book(CTqExcel& x) { return x.book; }
    static CTqExcel::ObjectRef& books(CTqExcel& x) { return x.books; }
    static int32_t startRow(const CTqExcel& x) { return x.startRow; }
    static int32_t startCol(const CTqExcel& x) { return x.startCol; }
    static const String& path(const CTqExcel& x) { return x.path; }
    static const CTqExcel::ColumnMap& colIndex(const CTqExcel& x) { return x.colIndex; }
};

namespace excel_detail {

/// The program identifier of the spreadsheet server.
inline constexpr const char* kProgId = "Excel.Application";
/// The message shown when no spreadsheet server can be started (GBK).
inline constexpr const char* kNoOffice =
    "\xc4\xfa\xc3\xbb\xd3\xd0\xb0\xb2\xd7\xb0"
    "OFFICE"
    "\xa3\xac\xb4\xcb\xb9\xa6\xc4\xdc\xb2\xbb\xc4\xdc\xd6\xb4\xd0\xd0\xa3\xa1";

/// 32-bit sum that wraps instead of overflowing (the server receives 32-bit integers).
inline int32_t add32(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t sub32(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

}  // namespace excel_detail
}  // namespace tq
