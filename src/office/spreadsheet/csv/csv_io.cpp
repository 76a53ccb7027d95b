// Comma-separated files: reading (UTF-8 with or without a byte-order mark, otherwise GBK) and
// writing (UTF-8 with a byte-order mark, which the spreadsheet recognises).
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "office/spreadsheet/model/read_budget.h"
#include "office/spreadsheet/xlsx/xlsx_writer.h"
#include "os/file_read.h"
#include "os/replace_file.h"
#include "text/text.h"

namespace tq::office {

namespace {

std::string readAll(const std::string& path, const Limits& limits) {
    std::string data, why;
    if (!os::ReadRegularFile(path, limits.maxTextFileBytes, data, why)) {
        if (why.find("larger than the limit") != std::string::npos)
            why += " (limit maxTextFileBytes)";
        ThrowReadError(path, "the file cannot be read: " + why);
    }
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

// The fields of comma-separated text: quoted fields may hold commas, quotes ("") and line
// ends; an unquoted plain decimal is a number, TRUE and FALSE are booleans.
class CsvParser {
  public:
    CsvParser(const std::string& path, Workbook& wb, ReadBudget& budget)
        : path_(path), wb_(wb), sheet_(wb.sheets.back()), budget_(budget) {}
    void parse(const std::string& data);

  private:
    void flushField();
    const std::string& path_;
    Workbook& wb_;
    Sheet& sheet_;
    ReadBudget& budget_;
    uint32_t r_ = 0, c_ = 0;
    std::string field_;
    bool quoted_ = false;  // the current field was quoted
};

void CsvParser::flushField() {
    if (c_ >= kMaxCols) ThrowReadError(path_, "a line holds more than 16384 fields");
    if (r_ >= kMaxRows) ThrowReadError(path_, "more than 1048576 lines");
    if (!field_.empty()) {
        if (sheet_.rows.empty() || sheet_.rows.back().row != r_) budget_.records();
        budget_.records();
        Cell& cell = RowAt(sheet_, r_).cells.emplace_back();
        cell.col = c_;
        std::optional<double> num = quoted_ ? std::nullopt : PlainDecimal(std::string_view(field_));
        if (num) {
            cell.type = CellType::Number;
            cell.num = *num;
        } else if (!quoted_ &&
                   (text::equalsNoCase(field_, "TRUE") || text::equalsNoCase(field_, "FALSE"))) {
            cell.type = CellType::Bool;
            cell.boolean = text::equalsNoCase(field_, "TRUE");
        } else {
            budget_.text(field_.size());
            cell.type = CellType::String;
            cell.str = static_cast<uint32_t>(wb_.strings.size());
            wb_.strings.push_back(std::move(field_));
        }
    }
    field_.clear();
    quoted_ = false;
    ++c_;
}

void CsvParser::parse(const std::string& data) {
    bool any = false;  // the current line has content
    size_t i = 0, n = data.size();
    while (i < n) {
        char ch = data[i];
        if (ch == '"' && field_.empty() && !quoted_) {
            // A quoted field: up to the closing quote; "" inside is one quote.
            quoted_ = any = true;
            for (++i;;) {
                size_t q = data.find('"', i);
                field_.append(data, i, q == std::string::npos ? std::string::npos : q - i);
                if (q == std::string::npos) {
                    i = n;
                    break;
                }
                i = q + 1;
                if (i < n && data[i] == '"') {
                    field_ += '"';
                    ++i;
                    continue;
                }
                break;
            }
            budget_.checkPending(field_.size());
        } else if (ch == ',') {
            flushField();
            any = true;
            ++i;
        } else if (ch == '\r' || ch == '\n') {
            if (any || !field_.empty()) flushField();
            ++r_;
            c_ = 0;
            any = false;
            i += (ch == '\r' && i + 1 < n && data[i + 1] == '\n') ? 2 : 1;
        } else {
            size_t e = data.find_first_of(",\r\n", i);
            if (e == std::string::npos) e = n;
            field_.append(data, i, e - i);
            any = true;
            i = e;
        }
    }
    if (any || !field_.empty()) flushField();
}

}  // namespace

void ReadCsv(const std::string& path, Workbook& out) {
    const Limits limits = GetLimits();
    std::string data = readAll(path, limits);
    if (data.size() >= 3 && std::memcmp(data.data(), "\xEF\xBB\xBF", 3) == 0)
        data.erase(0, 3);
    else if (!text::isValidUtf8(data))
        data = text::gbkToUtf8(data);
    Workbook wb;
    wb.sheets.emplace_back().name = sheetNameFor(path);
    ReadBudget budget(limits);
    try {
        CsvParser(path, wb, budget).parse(data);
    } catch (const LimitError& e) {
        ThrowReadError(path, e.what());
    }
    out = std::move(wb);
}

void WriteCsv(BookModel& b, const Sheet& s, const std::string& path) {
    os::FileReplacement file;
    std::string why;
    if (!file.begin(path, why)) ThrowWriteError(path, why);
    std::string out = "\xEF\xBB\xBF";
    auto flush = [&] {
        if (!file.write(out.data(), out.size())) ThrowWriteError(path, std::strerror(errno));
        out.clear();
    };
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
    Rect used = UsedRange(s);
    bool empty = s.rows.empty() && s.merges.empty();
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
        if (out.size() > (1u << 20)) flush();
    }
    flush();
    if (!file.commit(why)) ThrowWriteError(path, why);
}

}  // namespace tq::office
