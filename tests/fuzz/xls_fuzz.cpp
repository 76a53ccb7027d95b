// libFuzzer target for the .xls reader.
//
// The first byte of an input chooses what the rest is: a whole file (the compound document and
// everything behind it), or a BIFF workbook stream that is put into a valid compound document
// first, so that mutations reach the record readers instead of dying in the container.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "check_workbook.h"
#include "office/common/compound_file.h"
#include "office/spreadsheet/xls/xls_reader.h"
#include "tqtool/limits.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static bool limited = [] {
        tq::Limits l = tq::GetLimits();
        l.maxCells = 200'000;
        l.maxTextBytes = 16u << 20;
        tq::SetLimits(l);
        return true;
    }();
    (void)limited;
    std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string file;
    if (data[0] % 2 == 1) {
        tq::office::cfb::WriteSingleStream(data[0] % 4 == 1 ? "Workbook" : "BOOK", body,
                                           [&](const void* p, size_t n) {
                                               file.append(static_cast<const char*>(p), n);
                                               return true;
                                           });
        body = file;
    }
    tq::office::Workbook wb;
    try {
        tq::office::ReadXlsMemory(body.data(), body.size(), "fuzz.xls", wb);
    } catch (const tq::AutomationError&) {
        return 0;
    }
    tqfuzz::CheckWorkbook(wb);
    return 0;
}
