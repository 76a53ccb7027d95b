#include "office/common/zip_archive.h"

#include <sys/stat.h>
#include <zip.h>

#include <cstring>

namespace tq::office {
namespace {

std::string describeZipError(int ze) {
    switch (ze) {
        case ZIP_ER_NOZIP:
            return "not a zip archive";
        case ZIP_ER_INCONS:
            return "damaged zip archive (inconsistent directory)";
        case ZIP_ER_NOENT:
            return "file not found";
        case ZIP_ER_OPEN:
            return "the file cannot be opened";
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

// A compound document (the container of .xls files and of encrypted workbooks) starts so.
bool isCompoundDocument(const unsigned char* p, size_t n) {
    static const unsigned char kMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    return n >= 8 && std::memcmp(p, kMagic, 8) == 0;
}

std::string normalise(std::string_view name) {
    while (!name.empty() && name.front() == '/') name.remove_prefix(1);
    return std::string(name);
}

}  // namespace

ZipArchive::ZipArchive(const std::string& utf8Path, ZipLimits limits) : limits_(limits) {
    struct stat st {};
    if (::stat(utf8Path.c_str(), &st) != 0) throw ZipError("file not found or not accessible");
    if (S_ISDIR(st.st_mode)) throw ZipError("is a folder, not a file");
    if (st.st_size == 0) throw ZipError("the file is empty");
    if (FILE* f = std::fopen(utf8Path.c_str(), "rb")) {
        unsigned char head[8] = {};
        size_t n = std::fread(head, 1, sizeof head, f);
        std::fclose(f);
        if (isCompoundDocument(head, n))
            throw ZipError("not an .xlsx package (an encrypted workbook or an .xls file)");
    }
    int err = 0;
    zip_ = zip_open(utf8Path.c_str(), ZIP_RDONLY, &err);
    if (!zip_) throw ZipError(describeZipError(err));
}

ZipArchive::ZipArchive(const void* data, size_t size, ZipLimits limits) : limits_(limits) {
    if (size == 0) throw ZipError("the file is empty");
    if (isCompoundDocument(static_cast<const unsigned char*>(data), size))
        throw ZipError("not an .xlsx package (an encrypted workbook or an .xls file)");
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* src = zip_source_buffer_create(data, size, 0, &e);
    if (!src) {
        zip_error_fini(&e);
        throw ZipError("out of memory");
    }
    zip_ = zip_open_from_source(src, ZIP_RDONLY, &e);
    if (!zip_) {
        int code = zip_error_code_zip(&e);
        zip_source_free(src);
        zip_error_fini(&e);
        throw ZipError(describeZipError(code));
    }
    zip_error_fini(&e);
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
    zip_file_t* f = zip_fopen_index(zip_, static_cast<zip_uint64_t>(idx), 0);
    if (!f)
        throw ZipError("the part " + n + " cannot be read: " +
                       describeZipError(zip_error_code_zip(zip_get_error(zip_))));
    std::unique_ptr<ZipPartStream> part(new ZipPartStream(*this, f, std::move(n)));
    zip_stat_t st;
    if (zip_stat_index(zip_, static_cast<zip_uint64_t>(idx), 0, &st) == 0 &&
        (st.valid & ZIP_STAT_SIZE))
        part->claimed_ = st.size;
    return part;
}

ZipPartStream::ZipPartStream(ZipArchive& owner, zip_file* f, std::string name)
    : owner_(owner), file_(f), name_(std::move(name)) {}

ZipPartStream::~ZipPartStream() {
    if (file_) zip_fclose(file_);
}

size_t ZipPartStream::read(char* buf, size_t n) {
    zip_int64_t got = zip_fread(file_, buf, n);
    if (got < 0)
        throw ZipError("the part " + name_ + " is damaged: " +
                       describeZipError(zip_error_code_zip(zip_file_get_error(file_))));
    inflated_ += static_cast<uint64_t>(got);
    owner_.totalInflated_ += static_cast<uint64_t>(got);
    if (inflated_ > owner_.limits_.maxPartBytes)
        throw ZipError("the part " + name_ +
                       " inflates beyond the size limit (a compression bomb?)");
    if (owner_.totalInflated_ > owner_.limits_.maxTotalBytes)
        throw ZipError("the package inflates beyond the size limit (a compression bomb?)");
    return static_cast<size_t>(got);
}

}  // namespace tq::office
