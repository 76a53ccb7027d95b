// Basic types shared by every part of the TQTool library.
//
// All text is 8-bit multibyte text in code page 936 (GBK): a tq::String holds the bytes as the
// Windows build of the library received them. Lengths, positions and counts are in bytes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#if defined(TQTOOL_BUILDING)
#define TQTOOL_API __attribute__((visibility("default")))
#else
#define TQTOOL_API
#endif

namespace tq {

/// Text in code page 936 (GBK).
using String = std::string;
/// An ordered, growable array of strings indexed from 0.
using StringArray = std::vector<String>;
/// An ordered, growable array of unsigned 32-bit integers.
using UIntArray = std::vector<uint32_t>;

/// One table row: cell texts from left to right; an empty string is an empty cell.
using CellRow = std::vector<String>;
/// A table: rows from top to bottom. Rows may differ in length.
using Table = std::vector<CellRow>;
/// A set of tables; each becomes one sheet (Excel) or one table (Word).
using TableSet = std::vector<Table>;

/// Opaque handle of a caller's owner window; may be null (no owner).
using WindowHandle = void*;

/// Raised by the utility functions for a negative or out-of-range index or start position, and
/// by NthSpaceStr when asked for a word beyond the blanks present.
class TQTOOL_API InvalidArgument : public std::invalid_argument {
  public:
    /// The constructors of std::invalid_argument; the message names the function and what was
    /// wrong.
    using std::invalid_argument::invalid_argument;
    ~InvalidArgument() override;
};

/// Raised when an automation call to the spreadsheet or document server fails, or when a string
/// cannot be converted for it. `code()` is the failure code (an HRESULT-style value); `what()` is a
/// readable message naming the member and the reason.
class TQTOOL_API AutomationError : public std::runtime_error {
  public:
    /// A failure with its code (a value of namespace hresult, or the server's own) and message.
    AutomationError(int32_t code, const std::string& message);
    ~AutomationError() override;
    /// The failure code given at construction.
    int32_t code() const noexcept { return code_; }

  private:
    int32_t code_;
};

/// Result and failure codes of the automation layer (HRESULT values); AutomationError carries the
/// failure codes. The one list of them in the library.
namespace hresult {
inline constexpr int32_t S_OK_ = 0;
inline constexpr int32_t E_NOINTERFACE_ = static_cast<int32_t>(0x80004002u);
inline constexpr int32_t DISP_E_BADVARTYPE_ = static_cast<int32_t>(0x80020008u);
/// No mapping for the multibyte character in the target code page (invalid GBK text).
inline constexpr int32_t E_NO_UNICODE_TRANSLATION_ = static_cast<int32_t>(0x80070459u);
inline constexpr int32_t E_FAIL_ = static_cast<int32_t>(0x80004005u);
inline constexpr int32_t E_INVALIDARG_ = static_cast<int32_t>(0x80070057u);
inline constexpr int32_t E_NOTIMPL_ = static_cast<int32_t>(0x80004001u);
inline constexpr int32_t DISP_E_MEMBERNOTFOUND_ = static_cast<int32_t>(0x80020003u);
inline constexpr int32_t DISP_E_PARAMNOTFOUND_ = static_cast<int32_t>(0x80020004u);
inline constexpr int32_t DISP_E_TYPEMISMATCH_ = static_cast<int32_t>(0x80020005u);
inline constexpr int32_t DISP_E_BADPARAMCOUNT_ = static_cast<int32_t>(0x8002000Eu);
inline constexpr int32_t DISP_E_EXCEPTION_ = static_cast<int32_t>(0x80020009u);
inline constexpr int32_t DISP_E_BADINDEX_ = static_cast<int32_t>(0x8002000Bu);
inline constexpr int32_t DISP_E_OVERFLOW_ = static_cast<int32_t>(0x8002000Au);
inline constexpr int32_t CO_E_CLASSSTRING_ = static_cast<int32_t>(0x800401F3u);
inline constexpr int32_t MK_E_UNAVAILABLE_ = static_cast<int32_t>(0x800401E3u);
inline constexpr int32_t REGDB_E_CLASSNOTREG_ = static_cast<int32_t>(0x80040154u);
}  // namespace hresult

/// The library's version text, e.g. "1.0.0".
TQTOOL_API const char* Version();

}  // namespace tq
