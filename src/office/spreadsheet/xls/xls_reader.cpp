// Reading .xls workbooks: finding the BIFF stream (in a compound document, or a bare BIFF2-4
// worksheet file), walking the globals and every sheet in workbook order, and turning every
// problem into one message that names the file.
#include "office/spreadsheet/xls/xls_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "office/spreadsheet/model/model_ops.h"
#include "office/common/compound_file.h"
#include "office/spreadsheet/xls/xls_book.h"
#include "os/file_read.h"
#include "text/text.h"
#include "tqtool/limits.h"
#include "tqtool/types.h"

namespace tq::office {
namespace xls {
namespace {

// The substream type of the BOF at `pos`, or 0 when no BOF is there.
uint16_t bofAt(StreamSource& s, size_t pos) {
    if (pos >= s.size()) return 0;
    RecordReader rd(s, pos);
    Record r;
    if (!rd.peek(r) || !rec::IsBof(r.type)) return 0;
    if (r.size < 4) return substream::kWorksheet;
    return U16(r.data + 2);
}

// The position after the EOF that ends the substream whose BOF is at `pos`.
size_t skipSubstream(StreamSource& s, size_t pos) {
    RecordReader rd(s, pos);
    Record r;
    int depth = 0;
    while (rd.next(r)) {
        if (rec::IsBof(r.type)) ++depth;
        if (r.type == rec::kEof && --depth == 0) return rd.pos();
    }
    return s.size();
}

}  // namespace

void BookReader::read() {
    Limits limits = GetLimits();
    maxCells_ = limits.maxCells;
    maxText_ = limits.maxTextBytes;
    for (uint32_t i = 8; i < 64; ++i) IndexedColor(i, palette_.emplace_back());
    uint16_t type = bofAt(s_, 0);
    if (type == 0) throw Damaged("the workbook stream does not start with a BOF record");
    if (type == substream::kWorkspace)
        throw Damaged(
            "BIFF4 workbooks with several sheets in one file cannot be read; save it "
            "in a later format");
    if (type != substream::kGlobals) {
        // A worksheet on its own (BIFF2-4 files, and streams without globals).
        Sheet& sh = wb_.sheets.emplace_back();
        sh.name = "Sheet1";
        RecordReader rd(s_);
        Record r;
        rd.peek(r);
        onBof(r);
        readSheet(0, sh);
        return;
    }
    size_t next = readGlobals(0);
    // Sheets are found by the offsets of the sheet list; an offset that does not lead to a BOF is
    // replaced by the position where the previous sheet ended.
    for (const SheetEntry& e : entries_) {
        size_t at = bofAt(s_, e.offset) ? e.offset : next;
        uint16_t kind = bofAt(s_, at);
        if (kind == 0) throw Damaged("sheet '" + e.name + "' does not start with a BOF record");
        Sheet& sh = wb_.sheets.emplace_back();
        sh.name = e.name;
        sh.kind = kind == substream::kChart ? SheetKind::Chart : e.kind;
        if (sh.kind == SheetKind::Chart)
            next = skipSubstream(s_, at);
        else
            next = readSheet(at, sh);
    }
    if (sstUsedCount_ < sstCount_) CompactStrings(wb_);
}

}  // namespace xls

namespace {

[[noreturn]] void fail(const std::string& name, const std::string& what) {
    throw AutomationError(hresult::E_FAIL_,
                          "cannot read workbook '" + text::pathFromOs(name) + "': " + what);
}

// The BIFF stream of a file of `size` bytes read through `read`.
xls::StreamSource findStream(const cfb::ReadAt& read, uint64_t size) {
    uint64_t max = GetLimits().maxXlsStreamBytes;
    char magic[8] = {};
    size_t got = read(0, magic, sizeof magic);
    if (cfb::HasSignature(std::string_view(magic, got))) {
        cfb::StreamPlace place;
        if (!cfb::FindStream(read, size, {"Workbook", "Book"}, max, place))
            throw xls::Damaged("the file holds no Workbook or Book stream");
        if (place.runs.empty()) return xls::StreamSource(std::move(place.bytes));
        return xls::StreamSource(read, std::move(place.runs), static_cast<size_t>(place.size));
    }
    uint16_t first = static_cast<uint16_t>(uint8_t(magic[0]) | uint8_t(magic[1]) << 8);
    if (got < 4 || !xls::rec::IsBof(first))
        throw xls::Damaged("not an .xls workbook (neither a compound document nor a BIFF file)");
    if (size > max)
        throw xls::Damaged("the file is larger than the limit of " + std::to_string(max) +
                           " bytes (limit maxXlsStreamBytes)");
    return xls::StreamSource(read, {{0, size}}, static_cast<size_t>(size));
}

void readFrom(const cfb::ReadAt& read, uint64_t size, const std::string& name, Workbook& out) {
    Workbook wb;
    try {
        xls::StreamSource stream = findStream(read, size);
        xls::BookReader(stream, wb).read();
    } catch (const xls::Damaged& e) {
        fail(name, e.what());
    } catch (const cfb::Error& e) {
        fail(name, std::string("damaged compound document: ") + e.what());
    } catch (const std::bad_alloc&) {
        fail(name, "out of memory");
    }
    if (wb.sheets.empty()) fail(name, "the workbook has no sheets");
    out = std::move(wb);
}

}  // namespace

void ReadXls(const std::string& utf8Path, Workbook& out) {
    std::string why;
    os::RegularFile file;
    if (!file.open(utf8Path, why)) fail(utf8Path, why);
    cfb::ReadAt read = [&file](uint64_t off, void* buf, size_t n) {
        return file.readAt(off, buf, n);
    };
    readFrom(read, file.size(), utf8Path, out);
}

void ReadXlsMemory(const void* data, size_t size, const std::string& displayName, Workbook& out) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    cfb::ReadAt read = [bytes, size](uint64_t off, void* buf, size_t n) -> size_t {
        if (off >= size) return 0;
        size_t k = std::min<uint64_t>(n, size - off);
        std::memcpy(buf, bytes + off, k);
        return k;
    };
    readFrom(read, size, displayName, out);
}

}  // namespace tq::office
