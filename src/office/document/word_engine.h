// The embedded document engine that answers "Word.Application": its automation objects work on
// in-memory documents (word_document.h), which are saved as .docx files when the application is
// shown.
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

/// Whether making the application visible saves each document not shown yet into the show folder
/// and opens it on the desktop (the default), or only marks the application visible (a program
/// that saves the documents itself turns it off).
void SetShowOnVisible(bool enabled);
bool ShowOnVisible();

/// The show folder: $TQTOOL_OFFICE_DIR, else ${XDG_RUNTIME_DIR:-/tmp}/tqtool-office (UTF-8).
std::string ShowFolder();

/// Saves `doc` as <stem>N.docx (N = 1, 2 ... the first name not taken; an existing file is never
/// replaced) in the show folder, creating the folder, and returns the file's path. Raises
/// tq::AutomationError when it cannot be written.
std::string SaveToShowFolder(const Document& doc, const std::string& stem);

/// Opens a file with the desktop's default program (xdg-open, not waited for) when a display is
/// present and TQTOOL_OFFICE_OPEN is not "0".
void OpenOnDesktop(const std::string& path);

}  // namespace tq::office::word
