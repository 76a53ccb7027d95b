// The automation servers built into the library. Each engine defines its registration function,
// which registers its program identifier with tq::platform::RegisterServer. The registry calls
// them once, lazily, before its first lookup (tq::platform::RegisterBuiltinServers), so the
// servers are present however the library is linked and whatever the order of static
// initialisation.
//
// Until an engine is built into the library, a do-nothing fallback stands in for its function
// (src/platform/servers_fallback.cpp, weak definitions).
#pragma once

namespace tq::office {

/// Registers the spreadsheet engine as "Excel.Application".
void RegisterExcelServer();
/// Registers the document engine as "Word.Application".
void RegisterWordServer();

}  // namespace tq::office
