// The program's JSON input parser (table_input.h). The text is parsed as a stream of events
// (nlohmann-json's SAX interface) and every value is stored where it belongs as it arrives, so
// that no document tree is built: a table file costs the tables it holds. A stack of roles says
// what each value is (a table, a row, a cell, an action member ...); a value of the wrong kind is
// refused with a message saying what was expected. Nesting deeper than the limit is refused
// before it is followed.
#include "table_input.h"

#include <nlohmann/json.hpp>
#include <optional>

#include "cli.h"
#include "tool_api.h"
#include "tqtool/limits.h"

namespace tqcli {

namespace {

using json = nlohmann::json;

enum class Role {
    Doc,  // a table file: an object of the members below, or a bare table
    TableList,
    Table,
    Row,
    Cell,
    TitleList,
    Title,
    FixedLists,
    FixedList,
    Fixed,
    ActionLists,
    ActionList,
    Action,
    IntMember,
    TypeMember,
    MarkList,
    Mark,
    MarkInt,
    StringList,
    StringItem,
    UIntList,
    UIntItem,
    Skip,  // a member nobody reads, and everything inside it
};

// What a value of each role must be, for messages.
const char* expected(Role r) {
    switch (r) {
        case Role::Doc:
            return "the file must hold a JSON object or a table";
        case Role::TableList:
            return "\"tables\" must be an array";
        case Role::Table:
            return "a table must be a JSON array of rows";
        case Role::Row:
            return "a table row must be a JSON array of cells";
        case Role::Cell:
            return "a cell must be a string, number, boolean or null";
        case Role::TitleList:
            return "\"titles\" must be an array";
        case Role::Title:
            return "a title must be a string, number, boolean or null";
        case Role::FixedLists:
            return "\"fixedCells\" must be an array";
        case Role::FixedList:
            return "a fixedCells list must be an array";
        case Role::Fixed:
            return "a fixed cell must be a JSON object";
        case Role::ActionLists:
            return "\"actions\" must be an array";
        case Role::ActionList:
            return "an actions list must be an array";
        case Role::Action:
            return "an action must be a JSON object";
        case Role::IntMember:
            return "must be an integer";
        case Role::TypeMember:
            return "\"type\" must be an integer or unionRow, unionCol, noAction";
        case Role::MarkList:
            return "\"rowMarks\" must be an array";
        case Role::Mark:
        case Role::MarkInt:
            return "a row mark must be [row, value]";
        case Role::StringList:
        case Role::StringItem:
            return "must be a JSON array of strings";
        case Role::UIntList:
        case Role::UIntItem:
            return "must be a JSON array of numbers";
        case Role::Skip:
            break;
    }
    return "";
}

bool isArrayRole(Role r) {
    switch (r) {
        case Role::TableList:
        case Role::Table:
        case Role::Row:
        case Role::TitleList:
        case Role::FixedLists:
        case Role::FixedList:
        case Role::ActionLists:
        case Role::ActionList:
        case Role::MarkList:
        case Role::Mark:
        case Role::StringList:
        case Role::UIntList:
            return true;
        default:
            return false;
    }
}

// One scalar as the parser reports it.
struct Scalar {
    enum Kind { Null, Bool, Signed, Unsigned, Float, String } kind = Null;
    int64_t i = 0;
    uint64_t u = 0;
    double d = 0;
    bool b = false;
    const std::string* s = nullptr;

    // The cell text: strings as they are, null empty, numbers and booleans as their JSON text.
    tq::String text() const {
        switch (kind) {
            case String:
                return toGbk(*s);
            case Null:
                return {};
            case Bool:
                return b ? "true" : "false";
            case Signed:
                return std::to_string(i);
            case Unsigned:
                return std::to_string(u);
            case Float:
                return jsonDouble(d);
        }
        return {};
    }
    std::optional<int64_t> integer() const {
        if (kind == Signed) return i;
        if (kind == Unsigned && u <= uint64_t(INT64_MAX)) return static_cast<int64_t>(u);
        return std::nullopt;
    }
};

class Handler {
  public:
    Handler(Role root, std::string source) : root_(root), source_(std::move(source)) {
        maxDepth_ = tq::GetLimits().maxJsonDepth;
    }

    TableFile file;
    std::vector<tq::STqFixedCellInfo>* fixedOut = nullptr;  // root Role::FixedList
    tq::action* actionOut = nullptr;                        // root Role::Action
    tq::StringArray* stringsOut = nullptr;                  // root Role::StringList
    tq::UIntArray* uintsOut = nullptr;                      // root Role::UIntList

    // ---- The parser's events ----
    bool null() { return scalar(Scalar{}); }
    bool boolean(bool v) { return scalar(Scalar{Scalar::Bool, 0, 0, 0, v, nullptr}); }
    bool number_integer(int64_t v) {
        return scalar(Scalar{Scalar::Signed, v, 0, 0, false, nullptr});
    }
    bool number_unsigned(uint64_t v) {
        return scalar(Scalar{Scalar::Unsigned, 0, v, 0, false, nullptr});
    }
    bool number_float(double v, const std::string&) {
        return scalar(Scalar{Scalar::Float, 0, 0, v, false, nullptr});
    }
    bool string(std::string& v) { return scalar(Scalar{Scalar::String, 0, 0, 0, false, &v}); }
    bool binary(json::binary_t&) { return true; }
    bool start_object(size_t) { return start(false); }
    bool start_array(size_t) { return start(true); }
    bool end_object() { return end(); }
    bool end_array() { return end(); }
    bool key(std::string& k) {
        keyName_ = k;
        keyRole_ = memberRole(stack_.back().role, k);
        haveKey_ = true;
        return true;
    }
    bool parse_error(size_t, const std::string&, const nlohmann::detail::exception& e) {
        throw CommandError(source_ + ": " + e.what());
    }

  private:
    struct Frame {
        Role role;
        int count = 0;
    };

    [[noreturn]] void fail(Role r) const {
        std::string m = expected(r);
        if (r == Role::IntMember) m = "\"" + keyName_ + "\" " + m;
        if (r == Role::StringList || r == Role::StringItem || r == Role::UIntList ||
            r == Role::UIntItem)
            throw CommandError(source_ + " " + m);
        throw CommandError(source_ + ": " + m);
    }

    Role memberRole(Role object, const std::string& k) {
        if (object == Role::Doc) {
            if (k == "tables") return file.hasTables = true, file.tables.clear(), Role::TableList;
            if (k == "table") return file.hasTable = true, file.table.clear(), Role::Table;
            if (k == "titles") return file.hasTitles = true, file.titles.clear(), Role::TitleList;
            if (k == "fixedCells")
                return file.hasFixed = true, file.fixedCells.clear(), Role::FixedLists;
            if (k == "actions")
                return file.hasActions = true, file.actions.clear(), Role::ActionLists;
            if (k == "rowMarks") return file.hasMarks = true, file.rowMarks.clear(), Role::MarkList;
        } else if (object == Role::Fixed) {
            auto& f = fixed_->back();
            intTarget_ = k == "row"         ? &f.row
                         : k == "col"       ? &f.col
                         : k == "rowExtent" ? &f.rowExtent
                         : k == "colExtent" ? &f.colExtent
                                            : nullptr;
            if (intTarget_) return Role::IntMember;
        } else if (object == Role::Action) {
            if (k == "type") return Role::TypeMember;
            intTarget_ = k == "index" ? &action_->index
                         : k == "sp"  ? &action_->sp
                         : k == "ep"  ? &action_->ep
                                      : nullptr;
            if (intTarget_) return Role::IntMember;
        }
        return Role::Skip;
    }

    // The role of the value that starts now.
    Role next() {
        if (haveKey_) {
            haveKey_ = false;
            return keyRole_;
        }
        if (stack_.empty()) return root_;
        Frame& top = stack_.back();
        ++top.count;
        switch (top.role) {
            case Role::TableList:
                return Role::Table;
            case Role::Table:
                return Role::Row;
            case Role::Row:
                return Role::Cell;
            case Role::TitleList:
                return Role::Title;
            case Role::FixedLists:
                return Role::FixedList;
            case Role::FixedList:
                return Role::Fixed;
            case Role::ActionLists:
                return Role::ActionList;
            case Role::ActionList:
                return Role::Action;
            case Role::MarkList:
                return Role::Mark;
            case Role::Mark:
                if (top.count > 2) fail(Role::Mark);
                return Role::MarkInt;
            case Role::StringList:
                return Role::StringItem;
            case Role::UIntList:
                return Role::UIntItem;
            default:
                return Role::Skip;
        }
    }

    bool start(bool isArray) {
        if (++depth_ > maxDepth_)
            throw CommandError(source_ + ": nested deeper than " + std::to_string(maxDepth_) +
                               " levels (limit maxJsonDepth, TQTOOL_MAX_JSON_DEPTH)");
        Role r = next();
        if (r == Role::Doc) {
            file.isObject = !isArray;
            if (isArray) {
                file.tables.emplace_back();
                table_ = &file.tables.back();
                r = Role::Table;
            }
        } else if (r == Role::Fixed || r == Role::Action) {
            if (isArray) fail(r);
            if (r == Role::Fixed) {
                fixed_->emplace_back();
            } else if (stack_.empty()) {
                action_ = actionOut;
            } else {
                actions_->emplace_back();
                action_ = &actions_->back();
            }
        } else if (r != Role::Skip) {
            if (!isArray || !isArrayRole(r)) fail(r);
            enterArray(r);
        }
        stack_.push_back(Frame{r});
        return true;
    }

    void enterArray(Role r) {
        switch (r) {
            case Role::Table:
                if (stack_.empty() || stack_.back().role != Role::TableList) {
                    table_ = &file.table;  // "table"
                } else {
                    file.tables.emplace_back();
                    table_ = &file.tables.back();
                }
                break;
            case Role::Row:
                table_->emplace_back();
                break;
            case Role::FixedList:
                if (stack_.empty()) {
                    fixed_ = fixedOut;
                } else {
                    file.fixedCells.emplace_back();
                    fixed_ = &file.fixedCells.back();
                }
                break;
            case Role::ActionList:
                file.actions.emplace_back();
                actions_ = &file.actions.back();
                break;
            case Role::Mark:
                file.rowMarks.emplace_back(0, 0);
                break;
            default:
                break;
        }
    }

    bool end() {
        const Frame top = stack_.back();
        if (top.role == Role::Mark && top.count != 2) fail(Role::Mark);
        stack_.pop_back();
        --depth_;
        return true;
    }

    bool scalar(const Scalar& v) {
        const Role r = next();
        switch (r) {
            case Role::Cell:
                table_->back().push_back(v.text());
                break;
            case Role::Title:
                file.titles.push_back(v.text());
                break;
            case Role::IntMember:
                *intTarget_ = int32(v, r);
                break;
            case Role::TypeMember:
                action_->type = actionType(v);
                break;
            case Role::MarkInt: {
                auto& m = file.rowMarks.back();
                (stack_.back().count == 1 ? m.first : m.second) = int32(v, r);
                break;
            }
            case Role::StringItem:
                if (v.kind != Scalar::String) fail(r);
                stringsOut->push_back(toGbk(*v.s));
                break;
            case Role::UIntItem: {
                if (v.kind != Scalar::Unsigned || v.u > UINT32_MAX) fail(r);
                uintsOut->push_back(static_cast<uint32_t>(v.u));
                break;
            }
            case Role::Skip:
                break;
            default:
                fail(r);  // a scalar where an array or object belongs
        }
        return true;
    }

    int32_t int32(const Scalar& v, Role r) const {
        auto i = v.integer();
        if (!i || *i < INT32_MIN || *i > INT32_MAX) fail(r);
        return static_cast<int32_t>(*i);
    }

    tq::actionType actionType(const Scalar& v) const {
        if (v.kind == Scalar::String) {
            if (*v.s == "unionRow") return tq::unionRow;
            if (*v.s == "unionCol") return tq::unionCol;
            if (*v.s == "noAction") return tq::noAction;
            throw CommandError(source_ + ": unknown action type " + *v.s);
        }
        return static_cast<tq::actionType>(int32(v, Role::TypeMember));
    }

    Role root_;
    std::string source_;
    uint32_t maxDepth_ = 0;
    uint32_t depth_ = 0;
    std::vector<Frame> stack_;
    bool haveKey_ = false;
    Role keyRole_ = Role::Skip;
    std::string keyName_;
    tq::Table* table_ = nullptr;
    std::vector<tq::STqFixedCellInfo>* fixed_ = nullptr;
    std::vector<tq::action>* actions_ = nullptr;
    tq::action* action_ = nullptr;
    int32_t* intTarget_ = nullptr;
};

void parse(const std::string& text, Handler& h) {
    json::sax_parse(text, &h);
}

}  // namespace

std::string jsonDouble(double v) {
    // The parser's own serializer gives the number form of the output format.
    return json(v).dump();
}

TableFile readTableFile(const std::string& path) {
    const uint64_t max = tq::GetLimits().maxTextFileBytes;
    std::string text, why;
    if (!tq::tool::ReadInputFile(path, max, text, why)) {
        if (why.find("larger than") != std::string::npos)
            why += " (limit maxTextFileBytes, TQTOOL_MAX_TEXT_FILE_BYTES)";
        throw CommandError("cannot read " + path + ": " + why);
    }
    Handler h(Role::Doc, path);
    parse(text, h);
    return std::move(h.file);
}

tq::action parseAction(const std::string& text, const std::string& what) {
    tq::action out;
    Handler h(Role::Action, what);
    h.actionOut = &out;
    parse(text, h);
    return out;
}

tq::StringArray parseStringArray(const std::string& text, const std::string& what) {
    tq::StringArray out;
    Handler h(Role::StringList, what);
    h.stringsOut = &out;
    parse(text, h);
    return out;
}

tq::UIntArray parseUIntArray(const std::string& text, const std::string& what) {
    tq::UIntArray out;
    Handler h(Role::UIntList, what);
    h.uintsOut = &out;
    parse(text, h);
    return out;
}

std::vector<tq::STqFixedCellInfo> parseFixedCells(const std::string& text,
                                                  const std::string& what) {
    std::vector<tq::STqFixedCellInfo> out;
    Handler h(Role::FixedList, what);
    h.fixedOut = &out;
    parse(text, h);
    return out;
}

}  // namespace tqcli
