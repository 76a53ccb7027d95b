// Zip packages through libzip (see zip_archive.h). The archive is read through a source of our
// own over a regular file's descriptor or a memory buffer, which also counts the archive bytes
// read, so that each part's inflated size can be compared with the compressed bytes behind it.
#include "office/common/zip_archive.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "office/common/compound_file.h"
#include "os/file_read.h"

namespace tq::office {

/// The bytes of the archive: a regular file's descriptor or a memory buffer.
struct ZipInput {
    os::RegularFile file;
    const unsigned char* data = nullptr;
    uint64_t size = 0;
    uint64_t pos = 0;
    uint64_t bytesRead = 0;  // everything libzip has read so far
    zip_error_t error;

    ZipInput() { zip_error_init(&error); }
    ~ZipInput() { zip_error_fini(&error); }

    bool readAt(uint64_t off, void* buf, size_t n) {
        if (off > size || n > size - off) return false;
        if (data) {
            std::memcpy(buf, data + off, n);
            return true;
        }
        return file.readAt(off, buf, n) == n;
    }

    static zip_int64_t callback(void* self, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
        return static_cast<ZipInput*>(self)->command(data, len, cmd);
    }

    zip_int64_t command(void* out, zip_uint64_t len, zip_source_cmd_t cmd) {
        switch (cmd) {
            case ZIP_SOURCE_OPEN:
                pos = 0;
                return 0;
            case ZIP_SOURCE_READ: {
                uint64_t n = std::min<uint64_t>(len, size - std::min(pos, size));
                if (n > 0 && !readAt(pos, out, static_cast<size_t>(n))) {
                    zip_error_set(&error, ZIP_ER_READ, errno);
                    return -1;
                }
                pos += n;
                bytesRead += n;
                return static_cast<zip_int64_t>(n);
            }
            case ZIP_SOURCE_CLOSE:
                return 0;
            case ZIP_SOURCE_STAT: {
                auto* st = static_cast<zip_stat_t*>(out);
                zip_stat_init(st);
                st->size = size;
                st->valid |= ZIP_STAT_SIZE;
                return sizeof(zip_stat_t);
            }
            case ZIP_SOURCE_ERROR:
                return zip_error_to_data(&error, out, len);
            case ZIP_SOURCE_FREE:
                delete this;
                return 0;
            case ZIP_SOURCE_SEEK: {
                zip_int64_t p = zip_source_seek_compute_offset(pos, size, out, len, &error);
                if (p < 0) return -1;
                pos = static_cast<uint64_t>(p);
                return 0;
            }
            case ZIP_SOURCE_TELL:
                return static_cast<zip_int64_t>(pos);
            case ZIP_SOURCE_SUPPORTS:
                return ZIP_SOURCE_SUPPORTS_SEEKABLE;
            default:
                zip_error_set(&error, ZIP_ER_OPNOTSUPP, 0);
                return -1;
        }
    }
};

namespace {

std::string describeZipError(int ze) {
    switch (ze) {
        case ZIP_ER_NOZIP:
            return "not a zip archive";
        case ZIP_ER_INCONS:
            return "damaged zip archive (inconsistent directory)";
        case ZIP_ER_READ:
            return "read error";
        case ZIP_ER_MEMORY:
            return "out of memory";
        case ZIP_ER_COMPNOTSUPP:
            return "unsupported compression method";
        case ZIP_ER_ENCRNOTSUPP:
        case ZIP_ER_NOPASSWD:
        case ZIP_ER_WRONGPASSWD:
            return "the package is encrypted";
        case ZIP_ER_CRC:
            return "damaged zip archive (checksum mismatch)";
        case ZIP_ER_ZLIB:
            return "damaged zip archive (corrupt compressed data)";
        case ZIP_ER_EOF:
            return "truncated zip archive";
        default: {
            zip_error_t e;
            zip_error_init_with_code(&e, ze);
            std::string s = zip_error_strerror(&e);
            zip_error_fini(&e);
            return "damaged zip archive (" + s + ")";
        }
    }
}

std::string normalise(std::string_view name) {
    while (!name.empty() && name.front() == '/') name.remove_prefix(1);
    return std::string(name);
}

}  // namespace

ZipArchive::ZipArchive(const std::string& utf8Path, const Limits& limits) : limits_(limits) {
    auto input = std::make_unique<ZipInput>();
    std::string why;
    if (!input->file.open(utf8Path, why)) throw ZipError("the file cannot be opened: " + why);
    input->size = input->file.size();
    openFrom(std::move(input));
}

ZipArchive::ZipArchive(const void* data, size_t size, const Limits& limits) : limits_(limits) {
    auto input = std::make_unique<ZipInput>();
    input->data = static_cast<const unsigned char*>(data);
    input->size = size;
    openFrom(std::move(input));
}

void ZipArchive::openFrom(std::unique_ptr<ZipInput> input) {
    if (input->size == 0) throw ZipError("the file is empty");
    unsigned char head[8] = {};
    const size_t headBytes = static_cast<size_t>(std::min<uint64_t>(sizeof head, input->size));
    if (input->readAt(0, head, headBytes) &&
        cfb::HasSignature(std::string_view(reinterpret_cast<const char*>(head), headBytes))) {
        ZipInput* in = input.get();
        cfb::ReadAt read = [in](uint64_t off, void* buf, size_t n) -> size_t {
            size_t m =
                off >= in->size ? 0 : static_cast<size_t>(std::min<uint64_t>(n, in->size - off));
            return m > 0 && in->readAt(off, buf, m) ? m : 0;
        };
        if (cfb::IsEncryptedPackage(read, in->size)) throw ZipError(cfb::kEncryptedPackageProblem);
        throw ZipError("not an .xlsx package (an .xls workbook or another compound document)");
    }
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* src = zip_source_function_create(&ZipInput::callback, input.get(), &e);
    if (!src) {
        zip_error_fini(&e);
        throw ZipError("out of memory");
    }
    ZipInput* raw = input.release();  // the source frees it from now on
    zip_ = zip_open_from_source(src, ZIP_RDONLY, &e);
    if (!zip_) {
        int code = zip_error_code_zip(&e);
        zip_source_free(src);
        zip_error_fini(&e);
        throw ZipError(describeZipError(code));
    }
    zip_error_fini(&e);
    input_ = raw;
}

ZipArchive::~ZipArchive() {
    if (zip_) zip_discard(zip_);
}

int64_t ZipArchive::locate(std::string_view partName) const {
    std::string n = normalise(partName);
    return zip_name_locate(zip_, n.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_GUESS);
}

bool ZipArchive::has(std::string_view partName) const {
    return locate(partName) >= 0;
}

std::unique_ptr<ZipPartStream> ZipArchive::open(std::string_view partName) {
    int64_t idx = locate(partName);
    std::string n = normalise(partName);
    if (idx < 0) throw ZipError("the part " + n + " is missing");
    std::unique_ptr<ZipPartStream> part(new ZipPartStream(*this, std::move(n)));
    uint64_t before = input_->bytesRead;
    part->file_ = zip_fopen_index(zip_, static_cast<zip_uint64_t>(idx), 0);
    if (!part->file_)
        throw ZipError("the part " + part->name_ + " cannot be read: " +
                       describeZipError(zip_error_code_zip(zip_get_error(zip_))));
    part->compressed_ = input_->bytesRead - before;
    zip_stat_t st;
    if (zip_stat_index(zip_, static_cast<zip_uint64_t>(idx), 0, &st) == 0 &&
        (st.valid & ZIP_STAT_SIZE))
        part->claimed_ = st.size;
    return part;
}

ZipPartStream::ZipPartStream(ZipArchive& owner, std::string name)
    : owner_(owner), name_(std::move(name)) {}

ZipPartStream::~ZipPartStream() {
    if (file_) zip_fclose(file_);
}

size_t ZipPartStream::read(char* buf, size_t n) {
    uint64_t before = owner_.input_->bytesRead;
    zip_int64_t got = zip_fread(file_, buf, n);
    compressed_ += owner_.input_->bytesRead - before;
    if (got < 0)
        throw ZipError("the part " + name_ + " is damaged: " +
                       describeZipError(zip_error_code_zip(zip_file_get_error(file_))));
    const Limits& lim = owner_.limits_;
    inflated_ += static_cast<uint64_t>(got);
    owner_.totalInflated_ += static_cast<uint64_t>(got);
    if (inflated_ > lim.maxPartBytes)
        throw ZipError("the part " + name_ + " inflates to more than " +
                       std::to_string(lim.maxPartBytes) + " bytes (limit maxPartBytes)");
    if (owner_.totalInflated_ > lim.maxPackageBytes)
        throw ZipError("the package inflates to more than " + std::to_string(lim.maxPackageBytes) +
                       " bytes (limit maxPackageBytes)");
    if (inflated_ > lim.inflateRatioFloorBytes &&
        inflated_ / std::max<uint64_t>(compressed_, 1) > lim.maxInflateRatio)
        throw ZipError("the part " + name_ + " inflates to more than " +
                       std::to_string(lim.maxInflateRatio) +
                       " times its compressed size, a likely compression bomb (limit "
                       "maxInflateRatio)");
    return static_cast<size_t>(got);
}

}  // namespace tq::office
