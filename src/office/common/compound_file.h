// Recognising compound documents (the container of .xls workbooks and of password-protected
// .xlsx/.docx packages) and the streams their directory names, without reading their content.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace tq::office {

/// Reads `n` bytes at offset `off` into `buf`; false when fewer bytes exist or reading fails.
using ReadAt = std::function<bool(uint64_t off, void* buf, size_t n)>;

/// True when `head` (the first bytes of a file) starts with the compound document signature.
bool IsCompoundDocument(const void* head, size_t n);

/// True when the compound document behind `read` names a stream `name` (ASCII, case ignored) in
/// its directory. Damaged or hostile directories give false; the walk is bounded.
bool CompoundHasStream(const ReadAt& read, std::string_view name);

/// The problem reported for an encrypted package.
inline constexpr const char* kEncryptedPackageProblem =
    "the workbook is password-protected (an encrypted package); it can be read once it is saved "
    "without a password";

/// True when the compound document is an encrypted office package: the EncryptionInfo and
/// EncryptedPackage streams that a password-protected .xlsx, .xlsm or .docx is saved as.
bool IsEncryptedPackage(const ReadAt& read);

}  // namespace tq::office
