// Registers the document engine as the "Word.Application" automation server.
#include "automation/servers.h"
#include "office/builtin_servers.h"
#include "office/document/word_engine.h"

namespace tq::office {

void RegisterWordServer() {
    automation::RegisterServer("Word.Application", word::CreateApplication);
}

}  // namespace tq::office
