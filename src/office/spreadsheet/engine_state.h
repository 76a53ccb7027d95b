// The spreadsheet engine's shared state and the pieces its automation objects share (private to
// src/office/spreadsheet): the application's and each workbook's state, the base of every object,
// sheet names, and the factories through which objects make each other.
//
// Objects are light handles: a Range is the workbook's shared state, a sheet identity and a
// rectangle, so the many Range objects that cell-by-cell callers create cost one small allocation
// each. Every member checks that its workbook is still open and its sheet still exists, and
// reports a refused call as tq::AutomationError whose message names the member (from the
// spreadsheet server's member table).
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "automation/dispatch.h"
#include "automation/excel_ops.h"
#include "office/common/arguments.h"
#include "office/spreadsheet/model/model_ops.h"

namespace tq::office::sheet_engine {

using automation::DispatchPtr;
using automation::DISPID;
using automation::InvokeKind;
using automation::Variant;
namespace xl = automation::xl;

/// A workbook open in the engine.
struct BookState {
    BookModel model;
    std::string name;  // "Book1", or the file's name (UTF-8)
    std::string path;  // file-system path; empty for a workbook never saved
    bool readOnly = false;
    bool shown = false;
    bool closed = false;
    int active = 0;  // index of the active sheet among all sheets
    uint32_t sheetCounter = 0;

    explicit BookState(Workbook&& wb) : model(std::move(wb)) {}

    /// Refuses a call on a closed workbook.
    void check(const MemberRef& member) const;
    /// The sheet with identity `id`; `cache` remembers its index between calls. Refuses a call
    /// on a closed workbook or a deleted sheet.
    Sheet& sheet(uint32_t id, int& cache, const MemberRef& member) {
        auto& sheets = model.wb.sheets;
        if (!closed && cache >= 0 && static_cast<size_t>(cache) < sheets.size() &&
            sheets[static_cast<size_t>(cache)].id == id)
            return sheets[static_cast<size_t>(cache)];
        return findSheet(id, cache, member);
    }
    /// Whether another sheet than `exceptId` has the name `utf8` (case ignored as sheet names
    /// compare).
    bool nameTaken(const std::string& utf8, uint32_t exceptId) const;
    /// "SheetN", the next free one.
    std::string nextSheetName();
    /// Refuses a name that a sheet cannot have, or that another sheet has.
    void validateSheetName(const std::string& utf8, uint32_t selfId, const MemberRef& member) const;

  private:
    Sheet& findSheet(uint32_t id, int& cache, const MemberRef& member);
};
using BookPtr = std::shared_ptr<BookState>;

/// An application object's state.
struct AppState {
    std::vector<BookPtr> books;
    bool visible = false;
    bool displayAlerts = true;
    bool userControl = false;
    uint32_t newBooks = 0;
};
using AppPtr = std::shared_ptr<AppState>;

/// Lists an application, so that closing a workbook removes it from every application.
void RegisterApp(const AppPtr& app);
/// Closes a workbook: it answers no further call and leaves its applications' lists.
void CloseBook(const BookPtr& b);

/// Base of every object of the engine.
class Object : public automation::IDispatch {
  public:
    const automation::MemberTable* Members() const override { return &xl::Members(); }

  protected:
    MemberRef member(DISPID id) const { return MemberRef(*this, id); }
    [[noreturn]] void notFound(DISPID id, InvokeKind kind) const;
};

/// How a range's Item, Count and AutoFit count: by cells, rows or columns.
enum class View : uint8_t { Cells, Rows, Columns };

DispatchPtr MakeRange(const BookPtr& b, uint32_t sheetId, int cache, const Rect& r,
                      View v = View::Cells);
DispatchPtr MakeWorksheet(const BookPtr& b, uint32_t sheetId);
DispatchPtr MakeWorkbook(const BookPtr& b);
/// Workbook.Sheets (every sheet) or Workbook.Worksheets (worksheets only).
DispatchPtr MakeSheets(const BookPtr& b, bool worksheetsOnly);
DispatchPtr MakeWorkbooks(const AppPtr& app);
/// Range.Font (font) or Range.Interior (!font).
DispatchPtr MakeFormatPart(const BookPtr& b, uint32_t sheetId, int cache, const Rect& r, bool font);
/// The workbook and sheet identity of a worksheet object of this engine, or false.
bool WorksheetIdentity(const DispatchPtr& obj, BookPtr& book, uint32_t& sheetId);

/// Whether two names (UTF-8) are the same with case ignored, as sheet and workbook names compare.
bool SameName(std::string_view a, std::string_view b);
/// Text variants from UTF-8.
Variant Str(const std::string& utf8);
Variant NullVariant();
/// A file path handed to the server (Windows or POSIX form) as a file-system path.
std::string OsPath(const std::string& utf8);
std::string FileName(const std::string& path);
/// Saves a workbook to `path` by its extension; a refusal names `member`.
void SaveBook(BookState& b, const std::string& path, const MemberRef& member);

}  // namespace tq::office::sheet_engine
