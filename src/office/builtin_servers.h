// The automation servers built into the library. Each engine defines its registration function,
// which registers its program identifier with tq::automation::RegisterServer. The registry calls
// them once, lazily, before its first lookup (tq::automation::RegisterBuiltinServers), so the
// servers are present however the library is linked and whatever the order of static
// initialisation.
#pragma once

namespace tq::office {

/// Registers the spreadsheet engine as "Excel.Application".
void RegisterExcelServer();
/// Registers the document engine as "Word.Application".
void RegisterWordServer();

}  // namespace tq::office
