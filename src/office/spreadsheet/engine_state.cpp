// The spreadsheet engine's shared state: workbook checks, sheet names, the list of applications
// and the helpers every object uses.
#include "office/spreadsheet/engine_state.h"

#include <algorithm>

#include "automation/member_table.h"
#include "office/spreadsheet/file_io.h"
#include "text/text.h"
#include "tqtool/types.h"

namespace tq::office::sheet_engine {

namespace {

// Simple case folding for the scripts whose letters have case (Latin, Greek, Cyrillic,
// full-width Latin).
char32_t foldCase(char32_t ch) {
    if ((ch >= U'A' && ch <= U'Z') || (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7) ||
        (ch >= 0x391 && ch <= 0x3A9) || (ch >= 0x410 && ch <= 0x42F))
        return ch + 0x20;
    if (ch >= 0x400 && ch <= 0x40F) return ch + 0x50;
    if (ch >= 0xFF21 && ch <= 0xFF3A) return ch + 0x20;
    return ch;
}

// The next code point of UTF-8 text (U+FFFD for a byte that starts no valid sequence).
char32_t nextCodePoint(std::string_view s, size_t& i) {
    unsigned char b = static_cast<unsigned char>(s[i++]);
    if (b < 0x80) return b;
    int more = (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (more < 0) return 0xFFFD;
    char32_t cp = b & (0x3F >> more);
    for (int k = 0; k < more; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    return cp;
}

// Sheet and workbook names compare with case ignored; no text is built for the comparison, as
// every sheet added or renamed is compared with every other.
bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size())
        if (foldCase(nextCodePoint(a, i)) != foldCase(nextCodePoint(b, j))) return false;
    return i == a.size() && j == b.size();
}

// Workbooks remember their application only through the application's list; closing removes
// the workbook from every application that lists it.
std::vector<std::weak_ptr<AppState>>& allApps() {
    static auto* apps = new std::vector<std::weak_ptr<AppState>>;
    return *apps;
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
    return sameNameIgnoringCase(a, b);
}

void BookState::check(const MemberRef& member) const {
    if (closed) Fail(member, "the workbook '" + Gbk(name) + "' has been closed");
}

Sheet& BookState::findSheet(uint32_t id, int& cache, const MemberRef& member) {
    auto& sheets = model.wb.sheets;
    check(member);
    cache = model.sheetIndex(id);
    if (cache < 0) Fail(member, "the worksheet has been deleted");
    return sheets[static_cast<size_t>(cache)];
}

bool BookState::nameTaken(const std::string& n, uint32_t exceptId) const {
    for (const Sheet& s : model.wb.sheets)
        if (s.id != exceptId && sameNameIgnoringCase(s.name, n)) return true;
    return false;
}

std::string BookState::nextSheetName() {
    std::string n;
    do {
        n = "Sheet" + std::to_string(++sheetCounter);
    } while (nameTaken(n, 0));
    return n;
}

void BookState::validateSheetName(const std::string& n, uint32_t selfId,
                                  const MemberRef& member) const {
    std::u16string w = text::utf8ToUtf16(n);
    if (w.empty()) Fail(hresult::E_INVALIDARG_, member, "a sheet name cannot be empty");
    if (w.size() > 31)
        Fail(hresult::E_INVALIDARG_, member,
             "the sheet name '" + Gbk(n) + "' is longer than 31 characters");
    for (char16_t ch : w)
        if (ch == ':' || ch == '\\' || ch == '/' || ch == '?' || ch == '*' || ch == '[' ||
            ch == ']')
            Fail(hresult::E_INVALIDARG_, member,
                 "the sheet name '" + Gbk(n) +
                     "' holds a character that sheet names cannot hold (: \\ / ? * [ ])");
    if (w.front() == '\'' || w.back() == '\'')
        Fail(hresult::E_INVALIDARG_, member, "a sheet name cannot begin or end with an apostrophe");
    if (nameTaken(n, selfId))
        Fail(hresult::E_INVALIDARG_, member, "a sheet named '" + Gbk(n) + "' already exists");
}

void RegisterApp(const AppPtr& app) {
    allApps().push_back(app);
}

void CloseBook(const BookPtr& b) {
    b->closed = true;
    auto& apps = allApps();
    for (auto& w : apps)
        if (auto app = w.lock()) std::erase(app->books, b);
    std::erase_if(apps, [](const std::weak_ptr<AppState>& w) { return w.expired(); });
}

void Object::notFound(DISPID id, InvokeKind kind) const {
    Fail(hresult::DISP_E_MEMBERNOTFOUND_, member(id),
         kind == InvokeKind::PropertyPut ? "this property cannot be set" : "no such member");
}

Variant Str(const std::string& utf8) {
    return Variant::Str(text::utf8ToUtf16(utf8));
}

Variant NullVariant() {
    Variant v;
    v.vt = automation::VT_NULL;
    return v;
}

std::string OsPath(const std::string& utf8) {
    std::string p = utf8;
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

std::string FileName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void SaveBook(BookState& b, const std::string& path, const MemberRef& member) {
    try {
        SaveWorkbook(b.model, path, b.active);
    } catch (const AutomationError& e) {
        Fail(e.code(), member, e.what());
    }
}

}  // namespace tq::office::sheet_engine
