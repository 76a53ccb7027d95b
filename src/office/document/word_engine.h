// The embedded document engine that answers "Word.Application": its automation objects (one
// file each group under src/office/document/) work on in-memory documents (word_document.h), which
// are saved as .docx files (docx_*.cpp) when the application is shown.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "automation/dispatch.h"
#include "office/document/word_document.h"

namespace tq::office::word {

/// A new, hidden application object without documents (the server factory).
automation::DispatchPtr CreateApplication();

/// The documents of an application object made by CreateApplication, in the order they were
/// added; empty when `app` is not such an object.
std::vector<std::shared_ptr<Document>> DocumentsOf(const automation::DispatchPtr& app);

}  // namespace tq::office::word
