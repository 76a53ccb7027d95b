// Registers the document engine as the "Word.Application" automation server.
#include "platform/automation.h"
#include "platform/office/servers.h"
#include "platform/office/word/word_engine.h"

namespace tq::office {

void RegisterWordServer() {
    platform::RegisterServer("Word.Application", word::CreateApplication);
}

}  // namespace tq::office
