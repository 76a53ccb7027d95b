// Registration of the embedded engines as the library's automation servers.
#include "office/builtin_servers.h"

#include <mutex>

#include "automation/servers.h"
#include "office/document/word_engine.h"
#include "office/spreadsheet/excel_engine.h"

namespace tq::office {

void RegisterBuiltinServers() {
    static std::once_flag once;
    std::call_once(once, [] {
        automation::RegisterServer("Excel.Application", CreateExcelApplication);
        automation::RegisterServer("Word.Application", word::CreateApplication);
    });
}

}  // namespace tq::office
