// Attaching to an automation server: the one way the library classes (CTqExcel, ExcelTable,
// WordTable) reach the spreadsheet and the document server.
#pragma once

#include <string>

#include "automation/dispatch.h"

namespace tq {

/// Attaches to the running instance of the server `progId` or, when there is none (or it does
/// not answer for the dispatch interface), starts one. The built-in servers are registered first
/// (once per process). Returns an empty reference when the server is unknown, disabled or cannot
/// be started.
automation::DispatchPtr ConnectServer(const std::string& progId);

}  // namespace tq
