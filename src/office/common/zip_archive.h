// Read-only access to the parts of a zip package (.xlsx, .xlsm, .docx) through libzip.
//
// Parts are read as streams, inflated in chunks: the sizes a zip directory claims are never
// trusted, and the number of bytes actually inflated is capped per part and per package so that
// a compression bomb stops with an error instead of exhausting memory or time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct zip;
struct zip_file;

namespace tq::office {

/// Limits applied while reading one package.
struct ZipLimits {
    uint64_t maxPartBytes = uint64_t{1} << 30;   // inflated bytes of one part
    uint64_t maxTotalBytes = uint64_t{2} << 30;  // inflated bytes of all parts together
};

/// Raised for every failure of the package layer; `what()` is a short English reason without
/// the file name (the caller adds it).
class ZipError : public std::exception {
  public:
    explicit ZipError(std::string reason) : reason_(std::move(reason)) {}
    const char* what() const noexcept override { return reason_.c_str(); }

  private:
    std::string reason_;
};

/// Anything that yields bytes in chunks.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    /// Reads up to `n` bytes; returns 0 at the end. Throws ZipError on damage or over a limit.
    virtual size_t read(char* buf, size_t n) = 0;
};

class ZipArchive;

/// One part opened for reading.
class ZipPartStream : public ByteSource {
  public:
    ~ZipPartStream() override;
    ZipPartStream(const ZipPartStream&) = delete;
    ZipPartStream& operator=(const ZipPartStream&) = delete;
    size_t read(char* buf, size_t n) override;
    /// The size the directory claims for the part: a hint for buffer sizes, never a limit.
    uint64_t claimedSize() const { return claimed_; }

  private:
    friend class ZipArchive;
    ZipPartStream(ZipArchive& owner, zip_file* f, std::string name);
    ZipArchive& owner_;
    zip_file* file_;
    std::string name_;
    uint64_t inflated_ = 0;
    uint64_t claimed_ = 0;
};

class ZipArchive {
  public:
    /// Opens a package file (UTF-8 path). Throws ZipError.
    explicit ZipArchive(const std::string& utf8Path, ZipLimits limits = {});
    /// Opens a package held in memory (the bytes must outlive the archive). Throws ZipError.
    ZipArchive(const void* data, size_t size, ZipLimits limits = {});
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    /// True when a part of that name exists (names compared ignoring ASCII case, as packages
    /// require; a leading '/' is ignored).
    bool has(std::string_view partName) const;
    /// Opens a part for streaming. Throws ZipError when it is missing or cannot be read.
    std::unique_ptr<ZipPartStream> open(std::string_view partName);

  private:
    friend class ZipPartStream;
    int64_t locate(std::string_view partName) const;
    zip* zip_ = nullptr;
    ZipLimits limits_;
    uint64_t totalInflated_ = 0;
};

}  // namespace tq::office
