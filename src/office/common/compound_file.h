// The compound document container (of .xls workbooks, and of password-protected .xlsx and .docx
// packages): finding where one named stream lies in it, and writing a container that holds one
// stream.
//
// Reading trusts nothing the file claims: every sector number is checked against the sectors the
// file has, every chain is followed with a record of the sectors visited (a loop is refused), and
// a stream never grows past the sectors its chain really has. A last sector cut short by the end
// of the file reads as if padded with zeros.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tq::office::cfb {

/// What is wrong with a container (English, naming no path).
class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Random access to the bytes of a container: reads up to `n` bytes at `offset` into `out` and
/// returns how many there were (fewer only at the end of the data).
using ReadAt = std::function<size_t(uint64_t offset, void* out, size_t n)>;

/// The 8 bytes every compound document starts with.
bool HasSignature(std::string_view firstBytes);

/// Where a stream's bytes lie: runs of the container (offset and length, in stream order), or,
/// for a small stream kept in the container's mini stream, the bytes themselves. `size` is what
/// the runs or bytes hold of the stream, never more than the sectors its chain really has.
struct StreamPlace {
    struct Run {
        uint64_t offset = 0;
        uint64_t size = 0;
    };
    std::vector<Run> runs;
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
};

/// Finds the stream of the root storage whose name equals one of `names` (compared ignoring
/// ASCII case; the first name found in the order of `names` wins). `size` is the size of the
/// container; `maxStream` bounds the stream. False when no such stream exists. Raises Error for
/// a damaged container.
bool FindStream(const ReadAt& read, uint64_t size, const std::vector<std::string>& names,
                uint64_t maxStream, StreamPlace& out);

/// The problem reported for an encrypted package.
inline constexpr const char* kEncryptedPackageProblem =
    "the workbook is password-protected (an encrypted package); it can be read once it is saved "
    "without a password";

/// True when the container is a password-protected package (it holds the streams
/// "EncryptedPackage" and "EncryptionInfo"). A damaged container gives false.
bool IsEncryptedPackage(const ReadAt& read, uint64_t size);

/// Writes a container holding the one stream `name` (ASCII) with `data`, through `write`, which
/// returns false on a write error (the writing then stops and false is returned).
bool WriteSingleStream(const std::string& name, std::string_view data,
                       const std::function<bool(const void*, size_t)>& write);

}  // namespace tq::office::cfb
