// tqtool util NAME ARGS...: calls one string or number utility and prints its result as JSON.
//
// Argument conventions (texts in UTF-8, converted to GBK for the library):
//   text      any argument
//   char      exactly one byte, or one of the escapes \0 \t \n \\ (e.g. "," ";" "\0")
//   int       decimal; colour: decimal or 0x hexadecimal; bool: true/false/1/0
//   double    decimal number text ("." as the decimal point, exponents allowed)
//   array     JSON array of strings ('["a","b"]'); any other text is split at commas ("a,b,c";
//             the empty argument is the empty array)
// Output: a plain result prints as a bare JSON value (string, number, bool, array). A function
// with out-parameters prints an object: "result" (unless it returns nothing) plus one member per
// out-parameter as it stands after the call. Out integers start at -1; out arrays start empty or
// with the content given by --into (to show that results are appended).
#include <algorithm>
#include <charconv>
#include <functional>
#include <map>
#include <optional>

#include "cli.h"
#include "table_input.h"
#include "tool_api.h"
#include "tqtool/numutil.h"
#include "tqtool/strutil.h"
#include "tqtool/table.h"

namespace {

using tqcli::CommandError;
using tqcli::JsonOut;
using Args = std::vector<std::string>;

struct Call {
    const Args& args;
    std::optional<std::string> into;

    const std::string& at(size_t i) const { return args.at(i); }
    tq::String str(size_t i) const { return tqcli::toGbk(at(i)); }

    char ch(size_t i) const {
        tq::String s = str(i);
        if (s.size() == 1) return s[0];
        if (s == "\\0") return '\0';
        if (s == "\\t") return '\t';
        if (s == "\\n") return '\n';
        if (s == "\\\\") return '\\';
        throw CommandError("argument " + std::to_string(i + 1) +
                           " must be one character: " + at(i));
    }

    int integer(size_t i) const {
        const std::string& s = at(i);
        int v = 0;
        auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
        if (s.empty() || ec != std::errc() || p != s.data() + s.size())
            throw CommandError("argument " + std::to_string(i + 1) + " must be an integer: " + s);
        return v;
    }

    uint32_t colour(size_t i) const {
        std::string s = at(i);
        int base = 10;
        if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
            s = s.substr(2);
            base = 16;
        }
        uint32_t v = 0;
        auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
        if (s.empty() || ec != std::errc() || p != s.data() + s.size())
            throw CommandError("argument " + std::to_string(i + 1) +
                               " must be a colour value: " + at(i));
        return v;
    }

    double number(size_t i) const {
        const std::string& s = at(i);
        char* end = nullptr;
        double v = tq::tool::ParseDoubleC(s.c_str(), &end);
        if (s.empty() || end != s.c_str() + s.size())
            throw CommandError("argument " + std::to_string(i + 1) + " must be a number: " + s);
        return v;
    }

    bool boolean(size_t i) const {
        const std::string& s = at(i);
        if (s == "true" || s == "1") return true;
        if (s == "false" || s == "0") return false;
        throw CommandError("argument " + std::to_string(i + 1) + " must be true or false: " + s);
    }

    static tq::StringArray parseArray(const std::string& s, const std::string& what) {
        if (!s.empty() && s.front() == '[') return tqcli::parseStringArray(s, what);
        tq::StringArray out;
        if (s.empty()) return out;
        size_t start = 0;
        for (size_t p = s.find(','); p != std::string::npos; p = s.find(',', start)) {
            out.push_back(tqcli::toGbk(s.substr(start, p - start)));
            start = p + 1;
        }
        out.push_back(tqcli::toGbk(s.substr(start)));
        return out;
    }

    tq::StringArray array(size_t i) const {
        return parseArray(at(i), "argument " + std::to_string(i + 1));
    }

    tq::StringArray initialArray() const {
        return into ? parseArray(*into, "--into") : tq::StringArray{};
    }

    tq::UIntArray initialUInts() const {
        if (!into) return {};
        return tqcli::parseUIntArray(*into, "--into");
    }
};

// Results are small: each is built as JSON text, objects with their members in name order.
using Json = std::string;

Json str(const tq::String& s) {
    return tqcli::jsonString(tqcli::toUtf8(s));
}
Json arr(const tq::StringArray& a) {
    Json out = "[";
    for (const auto& s : a) out += (out.size() > 1 ? "," : "") + str(s);
    return out + "]";
}
Json val(bool v) {
    return v ? "true" : "false";
}
Json val(int v) {
    return std::to_string(v);
}
Json val(uint32_t v) {
    return std::to_string(v);
}
Json val(double v) {
    return tqcli::jsonDouble(v);
}
Json uints(const tq::UIntArray& a) {
    Json out = "[";
    for (uint32_t v : a) out += (out.size() > 1 ? "," : "") + std::to_string(v);
    return out + "]";
}
Json obj(const std::map<std::string, Json>& members) {
    Json out = "{";
    for (const auto& [k, v] : members)
        out += (out.size() > 1 ? "," : "") + tqcli::jsonString(k) + ":" + v;
    return out + "}";
}

struct Function {
    std::vector<size_t> arities;  // accepted argument counts
    std::string usage;
    std::function<Json(const Call&)> run;
};

const std::map<std::string, Function>& functions() {
    static const std::map<std::string, Function> f = {
        // ---- Splitting and joining ----
        {"Str2StrArr",
         {{2, 3},
          "TEXT SEP | TEXT FIRSTSEP SEP",
          [](const Call& c) {
              tq::StringArray a = c.initialArray();
              if (c.args.size() == 2)
                  tq::Str2StrArr(c.str(0), a, c.ch(1));
              else
                  tq::Str2StrArr(c.str(0), a, c.ch(1), c.ch(2));
              return obj({{"array", arr(a)}});
          }}},
        {"Str2Vector",
         {{2},
          "TEXT SEP",
          [](const Call& c) {
              std::vector<tq::String> v = c.initialArray();
              tq::Str2Vector(c.str(0), v, c.ch(1));
              return obj({{"vector", arr(v)}});
          }}},
        {"StrArr2Str",
         {{2},
          "ARRAY SEP",
          [](const Call& c) {
              tq::StringArray a = c.array(0);
              tq::String sep = c.str(1);
              // A one-character separator (or an escape such as \0) goes through the char form.
              if (sep.size() == 1 || sep == "\\0" || sep == "\\t" || sep == "\\n" || sep == "\\\\")
                  return str(tq::StrArr2Str(a, c.ch(1)));
              return str(tq::StrArr2Str(a, sep));
          }}},
        // ---- Words and characters ----
        {"NthSpaceStr",
         {{2},
          "TEXT N",
          [](const Call& c) { return str(tq::NthSpaceStr(c.str(0), c.integer(1))); }}},
        {"FindChNumInStr",
         {{2},
          "TEXT CHAR",
          [](const Call& c) {
              tq::UIntArray pos = c.initialUInts();
              int n = tq::FindChNumInStr(c.str(0), c.ch(1), pos);
              if (n != tq::FindChNumInStr(c.str(0), c.ch(1)))
                  throw std::logic_error("the two forms of FindChNumInStr disagree");
              return obj({{"result", val(n)}, {"positions", uints(pos)}});
          }}},
        {"StrAlltrim",
         {{1},
          "TEXT",
          [](const Call& c) {
              tq::String t = c.str(0);
              tq::String r = tq::StrAlltrim(t);
              return obj({{"result", str(r)}, {"text", str(t)}});
          }}},
        {"StrTrim0", {{1}, "TEXT", [](const Call& c) { return str(tq::StrTrim0(c.str(0))); }}},
        {"AddZeroToStr",
         {{2},
          "TEXT WIDTH",
          [](const Call& c) { return str(tq::AddZeroToStr(c.str(0), c.integer(1))); }}},
        {"Space", {{1}, "N", [](const Call& c) { return str(tq::Space(c.integer(0))); }}},
        {"ConfirmBackslash",
         {{1},
          "PATH",
          [](const Call& c) {
              tq::String p = c.str(0);
              tq::String r = tq::ConfirmBackslash(p);
              return obj({{"result", str(r)}, {"path", str(p)}});
          }}},
        // ---- Array searches ----
        {"IsStrInStrArr",
         {{2},
          "ARRAY TEXT",
          [](const Call& c) {
              tq::StringArray a = c.array(0);
              bool r = tq::IsStrInStrArr(a, c.str(1));
              if (r != tq::IsStrInStrArr(c.str(1), a))
                  throw std::logic_error("the two forms of IsStrInStrArr disagree");
              return val(r);
          }}},
        {"IsStrInStrArrNoCase",
         {{2},
          "TEXT ARRAY",
          [](const Call& c) { return val(tq::IsStrInStrArrNoCase(c.str(0), c.array(1))); }}},
        {"StrInStrArr",
         {{3},
          "ARRAY TEXT MODE",
          [](const Call& c) { return val(tq::StrInStrArr(c.array(0), c.str(1), c.integer(2))); }}},
        {"FindPos",
         {{2},
          "ARRAY TEXT",
          [](const Call& c) {
              tq::StringArray a = c.array(0);
              int pos = -1;
              bool r = tq::FindPos(a, c.str(1), pos);
              return obj({{"result", val(r)}, {"position", val(pos)}});
          }}},
        {"StrArrFindStr",
         {{3, 4},
          "ARRAY TEXT START CASESENSITIVE (index form) | ARRAY TEXT START (all containing items)",
          [](const Call& c) {
              tq::StringArray a = c.array(0);
              tq::String t = c.str(1);
              if (c.args.size() == 4) {
                  int index = -1;
                  bool r = tq::StrArrFindStr(a, t.c_str(), index, c.integer(2), c.boolean(3));
                  return obj({{"result", val(r)}, {"index", val(index)}});
              }
              tq::UIntArray indices = c.initialUInts();
              bool r = tq::StrArrFindStr(a, t.c_str(), indices, c.integer(2));
              return obj({{"result", val(r)}, {"indices", uints(indices)}});
          }}},
        {"StrArrFindStrLeftPart",
         {{4},
          "ARRAY PREFIX START CASESENSITIVE",
          [](const Call& c) {
              tq::StringArray a = c.array(0);
              tq::String p = c.str(1);
              int index = -1;
              bool r = tq::StrArrFindStrLeftPart(a, p.c_str(), index, c.integer(2), c.boolean(3));
              return obj({{"result", val(r)}, {"index", val(index)}});
          }}},
        {"StrArrIsEq",
         {{2},
          "ARRAY ARRAY",
          [](const Call& c) {
              tq::StringArray a = c.array(0), b = c.array(1);
              return val(tq::StrArrIsEq(a, b));
          }}},
        // ---- Number tests and conversions ----
        {"tIsNum", {{1}, "TEXT", [](const Call& c) { return val(tq::tIsNum(c.str(0))); }}},
        {"IsNumStr", {{1}, "TEXT", [](const Call& c) { return val(tq::IsNumStr(c.str(0))); }}},
        {"DblStrIsLaw",
         {{1}, "TEXT", [](const Call& c) { return val(tq::DblStrIsLaw(c.str(0))); }}},
        {"GetIntForStr",
         {{1}, "TEXT", [](const Call& c) { return val(tq::GetIntForStr(c.str(0))); }}},
        {"GetDoubleForStr",
         {{1}, "TEXT", [](const Call& c) { return val(tq::GetDoubleForStr(c.str(0))); }}},
        {"GetStrForInt",
         {{1}, "N", [](const Call& c) { return str(tq::GetStrForInt(c.integer(0))); }}},
        {"GetStrForDoulbe",
         {{1, 2},
          "NUMBER [DIGITS]",
          [](const Call& c) {
              if (c.args.size() == 1) return str(tq::GetStrForDoulbe(c.number(0)));
              return str(tq::GetStrForDoulbe(c.number(0), c.integer(1)));
          }}},
        {"Dbl2Str",
         {{2},
          "NUMBER DIGITS",
          [](const Call& c) { return str(tq::Dbl2Str(c.number(0), c.integer(1))); }}},
        // ---- Comparisons ----
        {"IsEq",
         {{2}, "A B", [](const Call& c) { return val(tq::IsEq(c.number(0), c.number(1))); }}},
        {"FloatComp",
         {{3},
          "A B TOLERANCE",
          [](const Call& c) { return val(tq::FloatComp(c.number(0), c.number(1), c.number(2))); }}},
        {"Swap",
         {{2},
          "A B",
          [](const Call& c) {
              double a = c.number(0), b = c.number(1);
              tq::Swap(&a, &b);
              return obj({{"a", val(a)}, {"b", val(b)}});
          }}},
        // ---- Colours ----
        {"RGB2Str",
         {{2}, "COLOUR SEP", [](const Call& c) { return str(tq::RGB2Str(c.colour(0), c.ch(1))); }}},
        {"Str2RGB",
         {{2}, "TEXT SEP", [](const Call& c) { return val(tq::Str2RGB(c.str(0), c.ch(1))); }}},
        // ---- Angles ----
        {"Dms2Str",
         {{3},
          "DEG MIN SEC",
          [](const Call& c) {
              tq::String t;
              tq::Dms2Str(c.integer(0), c.integer(1), c.integer(2), t);
              return obj({{"text", str(t)}});
          }}},
        {"Dms2d",
         {{3},
          "DEG MIN SEC",
          [](const Call& c) { return val(tq::Dms2d(c.integer(0), c.integer(1), c.integer(2))); }}},
        {"D2dmsStr",
         {{1}, "RADIANS", [](const Call& c) { return str(tq::D2dmsStr(c.number(0))); }}},
        // ---- Merge records ----
        {"toStr",
         {{1},
          "ACTION_JSON (e.g. '{\"type\":1,\"index\":0,\"sp\":0,\"ep\":-1}')",
          [](const Call& c) { return str(tqcli::parseAction(c.at(0), "argument 1").toStr()); }}},
        {"sortFixedCells",
         {{1},
          "CELLS_JSON (e.g. '[{\"row\":0,\"col\":1},{\"row\":3,\"col\":4}]')",
          [](const Call& c) {
              auto cells = tqcli::parseFixedCells(c.at(0), "argument 1");
              // The record's operator< is a non-constant member, so compare copies.
              std::stable_sort(
                  cells.begin(), cells.end(),
                  [](tq::STqFixedCellInfo a, const tq::STqFixedCellInfo& b) { return a < b; });
              Json out = "[";
              for (const auto& s : cells)
                  out += (out.size() > 1 ? "," : "") + obj({{"row", val(s.row)},
                                                            {"col", val(s.col)},
                                                            {"rowExtent", val(s.rowExtent)},
                                                            {"colExtent", val(s.colExtent)}});
              return out + "]";
          }}},
    };
    return f;
}

std::string names() {
    std::string s;
    for (const auto& [name, fn] : functions()) s += (s.empty() ? "" : ", ") + name;
    return s;
}

void util(const tqcli::Args& a) {
    Args rest = a.positional;
    if (rest.empty())
        throw tqcli::UsageError("usage: tqtool util NAME ARGS... [--into JSON_ARRAY]; functions: " +
                                names());
    const std::string name = rest.front();
    rest.erase(rest.begin());
    auto it = functions().find(name);
    if (it == functions().end())
        throw tqcli::UsageError("usage: tqtool util NAME ARGS... (unknown function " + name +
                                "; functions: " + names() + ")");
    const Function& fn = it->second;
    const std::string usage = "usage: tqtool util " + name + " " + fn.usage;
    if (std::find(fn.arities.begin(), fn.arities.end(), rest.size()) == fn.arities.end())
        throw tqcli::UsageError(usage);
    Call call{rest, std::nullopt};
    if (a.has("--into")) call.into = a.value("--into");
    Json result;
    try {
        result = fn.run(call);
    } catch (const CommandError& e) {
        // Only the reading of the arguments raises CommandError here.
        throw tqcli::UsageError(usage + " (" + e.what() + ")");
    }
    JsonOut().value(result).end();
}

}  // namespace

TQTOOL_COMMAND({"util",
                "util NAME ARGS... [--into JSON_ARRAY]",
                {},
                {"--into"},
                0,
                SIZE_MAX,
                tqcli::Parsing::Into,
                util});
