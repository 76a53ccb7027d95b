// The INI rules as data. Every tests/golden/ini/NAME.ini is copied to a temporary folder and the
// lines of NAME.txt that start with "!" (edits) and "?" (queries) are run on the copy in order,
// through CIniFileNew; the output must then be NAME.txt byte for byte:
//   ! set "s" "k" "v" -> true        SetValue (seti, setf: SetValueI, SetValueF)
//   ! setarray "s" "k" "j" = "v" "w" the array forms of SetValue (without "=": keys only)
//   ! delete "s" "k" -> true         DeleteValue; with one text DeleteKey(section); ! reset
//   ? get "s" "k" -> "v"             the value by key, or missing (the profile engine)
//   ? find "k" -> "v"                GetItemValue, or missing; ? int / ? float: GetValueI / F
//   ? values -> "a" "b"              GetAllValues (values twice: called twice on one array)
//   ? buffer "s" "k" "d" 4 -> 3 "abc\0#"   GetPrivateProfileStringA(s, k, d) on 4 bytes, with the
//                                    buffer up to two bytes past the result; - passes null;
//                                    ? sectionbuf "s" 16 and ? namesbuf 6 the list operations
//   section "s" exists 1 entries 1   then every name GetAllSections lists, with SectionExist,
//     "k" = "v" -> "got"             its GetAllKeysAndValues and GetKeyValue of each key
//   = file                           and the file's bytes, one line per line
// Texts are quoted; valid GBK shows as UTF-8, other bytes as \xHH, \r \n \t \0 \" \\. A UTF-16
// file shows its mark as \xff\xfe or \xfe\xff and its text as UTF-8. Everything runs in a
// comma-decimal locale, which number text must ignore. TQTEST_GOLDEN_UPDATE=1 rewrites the .txt
// files with what the store does (support/golden.h): review the diff.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <utility>

#include "os/profile.h"
#include "support/golden.h"
#include "support/os_support.h"
#include "support/require.h"
#include "text/text.h"
#include "tqtool/inifile.h"

namespace {

namespace fs = std::filesystem;
namespace pf = tq::os;
using tq::String;
using tq::StringArray;
using Words = std::vector<std::string>;

// The bytes written as a backslash and a letter, and their letters.
const std::string kBytes("\"\\\r\n\t\0", 6), kLetters = "\"\\rnt0";

std::string quote(std::string_view s, bool gbk = true) {
    std::string out = "\"";
    char hex[8];
    for (size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const size_t e = kBytes.find(static_cast<char>(c));
        if (gbk && tq::text::charLen(s, i) == 2 && tq::text::isValidGbk(s.substr(i, 2)))
            out += tq::text::gbkToUtf8(s.substr(i++, 2));
        else if (e != std::string::npos)
            out += {'\\', kLetters[e]};
        else if ((c >= 0x20 && c < 0x7F) || (!gbk && c >= 0x80))
            out += static_cast<char>(c);
        else
            out += (std::snprintf(hex, sizeof hex, "\\x%02x", c), hex);
    }
    return out + "\"";
}

// The quoted texts (as GBK) and bare words of a command line after its first two characters,
// up to "->".
Words words(const std::string& line) {
    Words out;
    for (size_t i = 2, e; i < line.size() && line.compare(i, 2, "->") != 0; i = e + 1) {
        if (line[i] != '"') {
            e = std::min(line.find(' ', i), line.size());
            out.push_back(line.substr(i, e - i));
            continue;
        }
        std::string gbk, utf8;
        for (e = i + 1; e < line.size() && line[e] != '"'; ++e) {
            if (line[e] != '\\') {
                utf8 += line[e];
                continue;
            }
            gbk += tq::text::utf8ToGbk(std::exchange(utf8, std::string()));
            if (line[++e] != 'x')
                gbk += kBytes[kLetters.find(line[e])];
            else
                gbk += static_cast<char>(std::stoi(line.substr((e += 2) - 1, 2), nullptr, 16));
        }
        out.push_back(gbk + tq::text::utf8ToGbk(utf8));
        ++e;  // the blank after the closing quote
    }
    return out;
}

std::string edit(tq::CIniFileNew& ini, const Words& w) {
    auto r = [](bool ok) { return std::string(ok ? "true" : "false"); };
    const size_t n = w.size();
    if (w[0] == "reset" && n == 1) {
        ini.Reset();
        return "void";
    }
    if (w[0] == "set" && n == 4) return r(ini.SetValue(w[1], w[2], w[3], true));
    if (w[0] == "seti" && n == 4) return r(ini.SetValueI(w[1], w[2], std::stoi(w[3]), true));
    if (w[0] == "setf" && n == 4) return r(ini.SetValueF(w[1], w[2], tq::text::atof(w[3]), true));
    if (w[0] == "delete" && n == 3) return r(ini.DeleteValue(w[1], w[2]));
    if (w[0] == "delete" && n == 2) return r(ini.DeleteKey(w[1]));
    if (w[0] != "setarray" || n < 2) return "unknown edit";
    const auto eq = std::find(w.begin() + 2, w.end(), "=");
    const StringArray keys(w.begin() + 2, eq);
    if (eq == w.end()) return r(ini.SetValue(w[1], keys, true));
    return r(ini.SetValue(w[1], keys, StringArray(eq + 1, w.end()), true));
}

std::string query(tq::CIniFileNew& ini, const std::string& path, const Words& w) {
    String v;
    StringArray all;
    char num[64];
    const size_t n = w.size();
    if (w[0] == "get" && n == 3)
        return tq::os::ProfileSnapshot::read(path).value(w[1], w[2], v) ? quote(v) : "missing";
    if (w[0] == "find" && n == 2) return ini.GetItemValue(w[1], v) ? quote(v) : "missing";
    if (w[0] == "int" && n == 3) return std::to_string(ini.GetValueI(w[1], w[2]));
    if (w[0] == "float" && n == 3)
        return std::string(num, std::to_chars(num, num + 64, ini.GetValueF(w[1], w[2])).ptr);
    // The profile operations on a buffer of SIZE bytes (a bare - passes null): the result, then
    // the buffer up to two bytes past it; the buffer starts out as '#'s.
    auto arg = [&](size_t i) { return w[i] == "-" ? nullptr : w[i].c_str(); };
    std::memset(num, '#', sizeof num);
    const uint32_t size = static_cast<uint32_t>(std::atoi(w.back().c_str())),
                   r = w[0] == "buffer" && n == 5
                           ? pf::GetPrivateProfileStringA(arg(1), arg(2), arg(3), num, size,
                                                          path.c_str())
                       : w[0] == "sectionbuf" && n == 3
                           ? pf::GetPrivateProfileSectionA(arg(1), num, size, path.c_str())
                       : w[0] == "namesbuf" && n == 2
                           ? pf::GetPrivateProfileSectionNamesA(num, size, path.c_str())
                           : 99;
    if (r != 99) return std::to_string(r) + " " + quote(std::string_view(num, r + 2));
    if (w[0] != "values") return "unknown query";
    ini.GetAllValues(all);
    if (n == 2) ini.GetAllValues(all);  // "values twice": the second call appends
    std::string out;
    for (const String& s : all) out += (out.empty() ? "" : " ") + quote(s);
    return out;
}

// The file's bytes, a line per line.
std::string show(std::string bytes) {
    using tq::os::profile::Encoding;
    const Encoding enc = tq::os::profile::encodingOf(bytes);
    const size_t m = enc != Encoding::Ansi ? 2 : bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    std::string mark, out;
    char hex[8];
    for (size_t i = 0; i < m; ++i)
        mark += (std::snprintf(hex, sizeof hex, "\\x%02x", uint8_t(bytes[i])), hex);
    bytes = enc != Encoding::Ansi ? tq::text::utf16ToUtf8(tq::os::profile::decodeUtf16(bytes))
                                  : bytes.substr(m);
    for (size_t b = 0, i = 0; i < bytes.size(); ++i) {
        if (i + 1 < bytes.size() && bytes[i] != '\n' && (bytes[i] != '\r' || bytes[i + 1] == '\n'))
            continue;
        std::string q = quote(std::string_view(bytes).substr(b, i + 1 - b), enc == Encoding::Ansi);
        out += (b == 0 ? mark : "") + q.substr(1, q.size() - 2) + "\n";
        b = i + 1;
    }
    return out;
}

// Runs the lines of `expected` on the file named `path` (GBK, Windows form), `osPath` on disk.
std::string run(const std::string& path, const std::string& osPath, const std::string& expected) {
    tq::CIniFileNew ini(path, false);
    std::istringstream lines(expected);
    std::string line, edits, queries, out;
    bool showFile = false;
    while (!showFile && std::getline(lines, line)) {
        const std::string head = line.substr(0, line.find(" ->"));
        if (line.rfind("! ", 0) == 0) edits += head + " -> " + edit(ini, words(line)) + "\n";
        if (line.rfind("? ", 0) == 0) {
            std::string answer = query(ini, path, words(line));
            queries += head + " ->" + (answer.empty() ? "" : " " + answer) + "\n";
        }
        showFile = line == "= file";
    }
    out = edits;
    StringArray names, keys, values;
    ini.GetAllSections(names);
    for (const String& s : names) {
        const int n = ini.GetAllKeysAndValues(s, keys, values);
        out += "section " + quote(s) + " exists " + std::to_string(ini.SectionExist(s)) +
               " entries " + std::to_string(n) + "\n";
        // The array forms list the same entries.
        StringArray k{"stale"}, v{"stale"}, onlyValues;
        EXPECT_EQ(ini.GetValue(s, k, v), n > 0) << s;
        EXPECT_EQ(ini.GetValue(s, onlyValues), n > 0) << s;
        EXPECT_TRUE(k == keys && v == values && onlyValues == values && ini.GetNumValues(s) == n);
        for (size_t i = 0; i < keys.size(); ++i)
            out += "  " + quote(keys[i]) + " = " + quote(values[i]) +
                   (keys[i].empty() ? "" : " -> " + quote(ini.GetKeyValue(s, keys[i]))) + "\n";
    }
    return out + queries +
           (showFile ? "= file\n" + show(ostest::readFile(osPath).value_or("")) : "");
}

TEST(IniGolden, EveryFileReadsAndEditsAsItsExpectedText) {
    const bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    EXPECT_TRUE(comma || !tqtest::InCI()) << "missing in CI: the locale de_DE.UTF-8";
    const fs::path dir = fs::path(TQTEST_SOURCE_DIR) / "tests" / "golden" / "ini";
    // The copies lie in a folder named 礬, whose trail byte is '\'.
    ostest::TempDir tmp;
    fs::create_directory(tmp.file(ostest::kUtf8Fan));
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        if (e.path().extension() != ".ini") continue;
        SCOPED_TRACE(e.path().filename().string());
        const std::string name = e.path().filename().string(),
                          copy = tmp.file(ostest::kUtf8Fan + "/" + name),
                          expectedName = "ini/" + e.path().stem().string() + ".txt";
        const auto expected = ostest::readFile(dir / (e.path().stem().string() + ".txt"));
        fs::copy_file(e.path(), copy);
        tqtest::ExpectGolden(expectedName, run(tmp.path() + "\\" + ostest::kGbkFan + "\\" + name,
                                               copy, expected.value_or("")));
        ++files;
    }
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_GE(files, 30);
}

}  // namespace
