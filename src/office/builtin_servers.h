// The automation servers built into the library: the spreadsheet engine as "Excel.Application"
// and the document engine as "Word.Application". The library classes call
// RegisterBuiltinServers before they look a server up; the registry itself knows no engine.
#pragma once

namespace tq::office {

/// Registers both engines with the automation registry. Runs once per process (thread-safe);
/// later calls do nothing, so a test double registered afterwards stays in place.
void RegisterBuiltinServers();

}  // namespace tq::office
