// Comma-separated files: reading (UTF-8 with or without a byte-order mark, otherwise GBK) and
// writing (UTF-8 with a byte-order mark, which the spreadsheet recognises).
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "office/spreadsheet/xlsx/xlsx_writer.h"
#include "tqtool/types.h"
#include "text/text.h"

namespace tq::office {

namespace {

[[noreturn]] void fail(const std::string& path, const std::string& why) {
    throw AutomationError(hresult::E_FAIL_, "'" + PathForMessage(path) + "': " + why);
}

struct FileCloser {
    void operator()(FILE* f) const {
        if (f) std::fclose(f);
    }
};

std::string readAll(const std::string& path) {
    std::unique_ptr<FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
    if (!f) fail(path, std::strerror(errno));
    std::string data;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) data.append(buf, n);
    if (std::ferror(f.get())) fail(path, "read error");
    return data;
}

// The sheet name the spreadsheet gives a text file: its name without the extension, at most 31
// characters, without the characters a sheet name cannot hold.
std::string sheetNameFor(const std::string& path) {
    size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    std::u16string w = text::utf8ToUtf16(name);
    for (auto& ch : w)
        if (ch == ':' || ch == '\\' || ch == '/' || ch == '?' || ch == '*' || ch == '[' ||
            ch == ']')
            ch = '_';
    if (w.size() > 31) w.resize(31);
    while (!w.empty() && w.front() == '\'') w.erase(w.begin());
    while (!w.empty() && w.back() == '\'') w.pop_back();
    if (w.empty()) return "Sheet1";
    return text::utf16ToUtf8(w);
}

}  // namespace

void ReadCsv(const std::string& path, Workbook& out) {
    std::string data = readAll(path);
    if (data.size() >= 3 && std::memcmp(data.data(), "\xEF\xBB\xBF", 3) == 0)
        data.erase(0, 3);
    else if (!text::isValidUtf8(data))
        data = text::gbkToUtf8(data);

    out = Workbook{};
    Sheet& sheet = out.sheets.emplace_back();
    sheet.name = sheetNameFor(path);

    uint32_t r = 0, c = 0;
    std::string field;
    bool quoted = false;  // the current field was quoted
    bool any = false;     // the current line has content
    auto flushField = [&] {
        if (c >= kMaxCols) fail(path, "a line holds more than 16384 fields");
        if (r >= kMaxRows) fail(path, "more than 1048576 lines");
        if (!field.empty()) {
            Row& row = RowAt(sheet, r);
            Cell& cell = row.cells.emplace_back();
            cell.col = c;
            std::optional<double> num =
                quoted ? std::nullopt : PlainDecimal(std::string_view(field));
            if (num) {
                cell.type = CellType::Number;
                cell.num = *num;
            } else if (!quoted &&
                       (text::equalsNoCase(field, "TRUE") || text::equalsNoCase(field, "FALSE"))) {
                cell.type = CellType::Bool;
                cell.boolean = text::equalsNoCase(field, "TRUE");
            } else {
                cell.type = CellType::String;
                cell.str = static_cast<uint32_t>(out.strings.size());
                out.strings.push_back(std::move(field));
            }
        }
        field.clear();
        quoted = false;
        ++c;
    };
    size_t i = 0, n = data.size();
    while (i < n) {
        char ch = data[i];
        if (ch == '"' && field.empty() && !quoted) {
            // A quoted field: up to the closing quote; "" inside is one quote.
            quoted = true;
            any = true;
            ++i;
            while (true) {
                size_t q = data.find('"', i);
                if (q == std::string::npos) {
                    field.append(data, i, std::string::npos);
                    i = n;
                    break;
                }
                field.append(data, i, q - i);
                if (q + 1 < n && data[q + 1] == '"') {
                    field += '"';
                    i = q + 2;
                    continue;
                }
                i = q + 1;
                break;
            }
            continue;
        }
        if (ch == ',') {
            flushField();
            any = true;
            ++i;
            continue;
        }
        if (ch == '\r' || ch == '\n') {
            if (any || !field.empty()) flushField();
            ++r;
            c = 0;
            any = false;
            if (ch == '\r' && i + 1 < n && data[i + 1] == '\n') ++i;
            ++i;
            continue;
        }
        size_t e = i;
        while (e < n && data[e] != ',' && data[e] != '\r' && data[e] != '\n') ++e;
        field.append(data, i, e - i);
        any = true;
        i = e;
    }
    if (any || !field.empty()) flushField();
}

void WriteCsv(BookModel& b, const Sheet& s, const std::string& path) {
    std::string tmp = TempFileBeside(path);
    std::unique_ptr<FILE, FileCloser> f(std::fopen(tmp.c_str(), "wb"));
    if (!f) {
        int e = errno;
        std::remove(tmp.c_str());
        fail(path, std::strerror(e));
    }
    std::string out = "\xEF\xBB\xBF";
    Rect used = UsedRange(s);
    bool empty = s.rows.empty() && s.merges.empty();
    auto put = [&](const std::string& t) {
        bool quote = t.find_first_of(",\"\r\n") != std::string::npos ||
                     (!t.empty() && (t.front() == ' ' || t.back() == ' '));
        if (!quote) {
            out += t;
            return;
        }
        out += '"';
        for (char ch : t) {
            if (ch == '"') out += '"';
            out += ch;
        }
        out += '"';
    };
    auto rowIt = s.rows.begin();
    for (uint32_t r = 0; !empty && r <= used.r2; ++r) {
        while (rowIt != s.rows.end() && rowIt->row < r) ++rowIt;
        const Row* row = (rowIt != s.rows.end() && rowIt->row == r) ? &*rowIt : nullptr;
        size_t ci = 0;
        for (uint32_t c = 0; c <= used.c2; ++c) {
            if (c > 0) out += ',';
            if (!row) continue;
            while (ci < row->cells.size() && row->cells[ci].col < c) ++ci;
            if (ci < row->cells.size() && row->cells[ci].col == c) put(CellText(b, row->cells[ci]));
        }
        out += "\r\n";
        if (out.size() > (1u << 20)) {
            if (std::fwrite(out.data(), 1, out.size(), f.get()) != out.size()) break;
            out.clear();
        }
    }
    bool ok = std::fwrite(out.data(), 1, out.size(), f.get()) == out.size();
    ok = std::fclose(f.release()) == 0 && ok;
    if (!ok) {
        std::remove(tmp.c_str());
        fail(path, "write error");
    }
    CommitTempFile(tmp, path);
}

}  // namespace tq::office
