// A scripted spreadsheet server for call-sequence tests of CTqExcel and ExcelTable.
//
// It answers the spreadsheet members the library uses with objects named after how they were
// reached ("Sheet1.UsedRange.Rows", "Sheet1.Cells[3,2]") and logs every call as one line:
//
//     Workbooks.Open(BSTR "a.xlsx", MISSING, BOOL -1, MISSING x10)
//     Sheet1.Cells.NumberFormat=(BSTR "@")
//     Sheet1.Cells[3,2].<value>
//
// Cell values, the used range, merged areas and the number of sheets are scripted; ranges count
// their Item indices from their own top-left cell as the real server does. Any member can be
// made to fail by its "Type.Member" name.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "automation/dispatch.h"

namespace excel_rec {

struct Area {
    int r1, c1, r2, c2;  // 1-based, both ends included
};

struct Script {
    int sheetCount = 1;
    // The used range of every sheet: top-left cell and size.
    int usedTop = 1, usedLeft = 1, usedRows = 0, usedCols = 0;
    // Cell texts (GBK) by 1-based (row, column); every other cell is empty.
    std::map<std::pair<int, int>, std::string> cells;
    std::vector<Area> merges;
    // "Type.Member" names ("Workbook.SaveAs") whose calls raise tq::AutomationError.
    std::set<std::string> failing;
};

struct State;

class Server {
  public:
    /// Registers itself as "Excel.Application" with no instance running (remembering the factory
    /// registered before, such as the built-in engine).
    Server();
    /// Restores the factory registered before and forgets the recorded instance.
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    /// Removes the registration, so that no server can be started.
    void uninstall();

    Script& script();
    /// Every call so far, one line each.
    const std::vector<std::string>& log() const;
    /// The calls from position `from` on.
    std::vector<std::string> callsFrom(size_t from) const;
    void clearLog();
    /// How many application objects were started.
    int started() const;

  private:
    std::shared_ptr<State> state_;
    std::function<tq::automation::DispatchPtr()> previous_;
};

/// Joins lines with '\n' (for readable test failures).
std::string join(const std::vector<std::string>& lines);

}  // namespace excel_rec
