// Automation bridge: variants, holders, the coercion and its text forms, the string conversion,
// the server registry, and the recording server that other tests script.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "automation/excel_ops.h"
#include "automation/holder.h"
#include "automation/servers.h"
#include "office/builtin_servers.h"
#include "support/recording_server.h"
#include "text/dates.h"
#include "text/number_text.h"

using namespace tq::automation;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
namespace pf = tq::automation;

namespace {

// A minimal object: logs calls and answers with a function.
class FakeObject : public IDispatch {
  public:
    std::function<Variant(DISPID, InvokeKind, std::span<const Variant>)> answer;
    std::vector<std::string> calls;
    std::string type = "Range";
    const tq::automation::MemberTable* Members() const override { return &xl::Members(); }

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        std::string line = std::to_string(id) + "/" + std::to_string(static_cast<int>(kind));
        for (const Variant& a : args) line += " " + tqtest::DescribeVariant(a);
        calls.push_back(line);
        return answer ? answer(id, kind, args) : Variant();
    }
    std::string TypeName() const override { return type; }
};

// Restores TQTOOL_OFFICE when a test ends.
class OfficeEnv {
  public:
    OfficeEnv() {
        const char* v = std::getenv("TQTOOL_OFFICE");
        had_ = v != nullptr;
        if (v) old_ = v;
    }
    ~OfficeEnv() {
        if (had_)
            setenv("TQTOOL_OFFICE", old_.c_str(), 1);
        else
            unsetenv("TQTOOL_OFFICE");
    }

  private:
    bool had_ = false;
    std::string old_;
};

std::string text(const Variant& v) {
    return VariantToString(v);
}

int32_t codeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const tq::AutomationError& e) {
        return e.code();
    }
    return 0;
}

std::string messageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const tq::AutomationError& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace

TEST(Variant, FactoriesCarryTypeAndValue) {
    EXPECT_EQ(Variant().vt, VT_EMPTY);
    EXPECT_TRUE(Variant().isEmpty());
    Variant i2 = Variant::I2(-7);
    EXPECT_EQ(i2.vt, VT_I2);
    EXPECT_EQ(i2.iVal, -7);
    EXPECT_EQ(Variant::I4(70000).lVal, 70000);
    EXPECT_EQ(Variant::Int(5).vt, VT_INT);
    EXPECT_EQ(Variant::UI4(4000000000u).ulVal, 4000000000u);
    EXPECT_EQ(Variant::R4(1.5f).fltVal, 1.5f);
    EXPECT_EQ(Variant::R8(0.25).dblVal, 0.25);
    EXPECT_EQ(Variant::Date(45292.5).vt, VT_DATE);
    EXPECT_EQ(Variant::Bool(true).boolVal, -1);
    EXPECT_EQ(Variant::Bool(false).boolVal, 0);
    EXPECT_EQ(Variant::Str(u"\x9752").bstr, u"\x9752");

    // The missing value is VT_ERROR with tq::hresult::DISP_E_PARAMNOTFOUND_; another error is not
    // missing.
    Variant missing = Variant::Missing();
    EXPECT_EQ(missing.vt, VT_ERROR);
    EXPECT_EQ(static_cast<uint32_t>(missing.scode), 0x80020004u);
    EXPECT_TRUE(missing.isMissing());
    EXPECT_FALSE(Variant::Error(0x800A07D7).isMissing());
    EXPECT_FALSE(Variant::I4(static_cast<int32_t>(0x80020004u)).isMissing());

    // A by-reference variant reads through to its target, which the caller may change.
    Variant target = Variant::I4(1);
    Variant ref = Variant::ByRef(&target);
    EXPECT_EQ(ref.vt, VT_BYREF | VT_VARIANT);
    target = Variant::Str(u"x");
    EXPECT_EQ(ref.deref().vt, VT_BSTR);
    EXPECT_EQ(text(ref), "x");

    // Copies keep the object reference.
    auto obj = std::make_shared<FakeObject>();
    Variant d = Variant::Dispatch(obj);
    Variant copy = d;
    EXPECT_EQ(copy.disp, obj);
    EXPECT_EQ(obj.use_count(), 3);
}

TEST(Holder, OwnsOneReference) {
    auto a = std::make_shared<FakeObject>();
    auto b = std::make_shared<FakeObject>();
    std::weak_ptr<FakeObject> wa = a, wb = b;

    Holder h;
    EXPECT_TRUE(h.empty());
    h.AttachDispatch(a);
    a.reset();
    EXPECT_FALSE(wa.expired());

    // Attaching another releases the previous reference.
    h.AttachDispatch(b);
    b.reset();
    EXPECT_TRUE(wa.expired());
    EXPECT_EQ(wb.use_count(), 1);

    // A copy takes a new reference to the same object; releasing one leaves the other.
    Holder copy = h;
    EXPECT_EQ(copy.get(), h.get());
    EXPECT_EQ(wb.use_count(), 2);
    Holder assigned;
    assigned = copy;
    EXPECT_EQ(wb.use_count(), 3);
    copy.ReleaseDispatch();
    EXPECT_TRUE(copy.empty());
    EXPECT_EQ(wb.use_count(), 2);
    assigned.ReleaseDispatch();

    // Detaching hands the reference over without releasing it.
    DispatchPtr detached = h.DetachDispatch();
    EXPECT_TRUE(h.empty());
    EXPECT_EQ(wb.use_count(), 1);
    detached.reset();
    EXPECT_TRUE(wb.expired());

    // Destruction releases.
    auto c = std::make_shared<FakeObject>();
    std::weak_ptr<FakeObject> wc = c;
    { Holder scoped(std::move(c)); }
    EXPECT_TRUE(wc.expired());
}

TEST(Holder, EmptyHolderSendsNothing) {
    Holder h;
    Variant r = h.InvokeHelper(xl::Range_Value, InvokeKind::PropertyGet, VT_BSTR, {Variant::I4(1)});
    EXPECT_EQ(r.vt, VT_EMPTY);
    h.SetProperty(xl::Range_Value, Variant::I4(1));
    EXPECT_EQ(h.GetProperty(xl::Range_Count, VT_I4).vt, VT_EMPTY);
    EXPECT_TRUE(h.GetObject(xl::Range_Font).empty());
    EXPECT_TRUE(
        h.InvokeObject(xl::Workbooks_Add, InvokeKind::Method, {Variant::Missing()}).empty());
}

TEST(Holder, CallsPassArgumentsAndConvertResults) {
    auto obj = std::make_shared<FakeObject>();
    obj->answer = [](DISPID id, InvokeKind, std::span<const Variant>) -> Variant {
        if (id == xl::Range_Count) return Variant::R8(3.5);
        if (id == xl::Range_Font) return Variant::Dispatch(std::make_shared<FakeObject>());
        return Variant::Str(u"12");
    };
    Holder h(obj);

    // Arguments arrive in the caller's order with their exact types.
    h.InvokeHelper(xl::Range_Item, InvokeKind::PropertyPut, VT_EMPTY,
                   {Variant::I4(1), Variant::I2(2), Variant::Bool(false), Variant::Missing()});
    EXPECT_EQ(obj->calls.back(), "170/4 I4:1 I2:2 BOOL:FALSE MISSING");

    // Results take the requested type (integers round half to even); VT_EMPTY drops the result;
    // VT_VARIANT returns it unchanged.
    EXPECT_EQ(h.GetProperty(xl::Range_Count, VT_I4).lVal, 4);
    EXPECT_EQ(h.GetProperty(xl::Range_Value, VT_I2).iVal, 12);
    EXPECT_EQ(h.GetProperty(xl::Range_Value, VT_EMPTY).vt, VT_EMPTY);
    Variant raw = h.GetProperty(xl::Range_Value, VT_VARIANT);
    EXPECT_EQ(raw.vt, VT_BSTR);
    EXPECT_EQ(h.GetProperty(xl::Range_Value, VT_R8).dblVal, 12.0);

    // Object results as holders; the argument list of the span form is passed whole.
    Holder font = h.GetObject(xl::Range_Font);
    EXPECT_FALSE(font.empty());
    std::vector<Variant> args = xl::SaveAsArgs(StrVariant("a.xlsx"), Variant::I4(0));
    h.InvokeHelper(xl::Workbook_SaveAs, InvokeKind::Method, VT_EMPTY, args);
    EXPECT_EQ(obj->calls.back(),
              "284/1 BSTR:\"a.xlsx\" MISSING MISSING MISSING MISSING MISSING I4:0 MISSING MISSING "
              "MISSING "
              "MISSING");
    EXPECT_EQ(xl::OpenArgs(StrVariant("x"), Variant::Missing(), Variant::Bool(true)).size(), 13u);
    EXPECT_EQ(xl::OpenArgs(StrVariant("x"), Variant::Missing(), Variant::Bool(true))[2].boolVal,
              -1);
}

TEST(Holder, FailuresNameMemberAndReason) {
    auto obj = std::make_shared<FakeObject>();
    obj->type = "Sheets";
    obj->answer = [](DISPID id, InvokeKind, std::span<const Variant>) -> Variant {
        if (id == xl::Sheets_Item) throw tq::AutomationError(0x800A03EC, "Sheets.Item: no sheet 9");
        if (id == xl::Sheets_Select) throw std::runtime_error("selection refused");
        return Variant::Str(u"many");
    };
    Holder h(obj);

    // The server's own error passes through unchanged.
    try {
        h.GetObject(xl::Sheets_Item, {Variant::I4(9)});
        FAIL() << "no error";
    } catch (const tq::AutomationError& e) {
        EXPECT_EQ(static_cast<uint32_t>(e.code()), 0x800A03ECu);
        EXPECT_STREQ(e.what(), "Sheets.Item: no sheet 9");
    }
    // Any other failure inside the server becomes an automation error naming the member.
    EXPECT_EQ(codeOf([&] { h.InvokeHelper(xl::Sheets_Select, InvokeKind::Method, VT_EMPTY); }),
              tq::hresult::DISP_E_EXCEPTION_);
    EXPECT_EQ(messageOf([&] { h.InvokeHelper(xl::Sheets_Select, InvokeKind::Method, VT_EMPTY); }),
              "Sheets.Select: selection refused");
    // A result that cannot take the requested type names the member too.
    EXPECT_EQ(messageOf([&] { h.GetProperty(xl::Sheets_Count, VT_I4); }),
              "Sheets.Count: cannot convert the text \"many\" to VT_I4: it is not a number");
    EXPECT_EQ(MemberName(&xl::Members(), "Range", 0x999), "Range.#0x999");
    EXPECT_EQ(MemberName(&xl::Members(), "Range", xl::Range_MergeArea), "Range.MergeArea");
}

TEST(ChangeType, NumbersBooleansAndText) {
    // Rounding half to even, as the coercion rounds.
    EXPECT_EQ(ChangeType(Variant::R8(2.5), VT_I4).lVal, 2);
    EXPECT_EQ(ChangeType(Variant::R8(3.5), VT_I4).lVal, 4);
    EXPECT_EQ(ChangeType(Variant::R8(-2.5), VT_I2).iVal, -2);
    EXPECT_EQ(ChangeType(Variant::R8(-2.6), VT_INT).lVal, -3);
    EXPECT_EQ(ChangeType(Variant::I2(-3), VT_R8).dblVal, -3.0);
    EXPECT_EQ(ChangeType(Variant::UI4(4000000000u), VT_R8).dblVal, 4000000000.0);
    EXPECT_EQ(ChangeType(Variant(), VT_I4).lVal, 0);
    EXPECT_EQ(ChangeType(Variant(), VT_BOOL).boolVal, 0);
    EXPECT_EQ(ChangeType(Variant::Bool(true), VT_I4).lVal, -1);
    EXPECT_EQ(ChangeType(Variant::R8(0.1), VT_BOOL).boolVal, -1);
    EXPECT_EQ(ChangeType(Variant::I4(0), VT_BOOL).boolVal, 0);
    EXPECT_EQ(ChangeType(Variant::Date(45292.75), VT_R8).dblVal, 45292.75);
    EXPECT_EQ(ChangeType(Variant::R8(45292.75), VT_DATE).date, 45292.75);
    EXPECT_EQ(ChangeType(Variant::I4(5), VT_I4).lVal, 5);

    // Overflow.
    EXPECT_EQ(codeOf([] { ChangeType(Variant::I4(40000), VT_I2); }), tq::hresult::DISP_E_OVERFLOW_);
    EXPECT_EQ(codeOf([] { ChangeType(Variant::I4(-1), VT_UI4); }), tq::hresult::DISP_E_OVERFLOW_);
    EXPECT_EQ(codeOf([] { ChangeType(Variant::R8(3e9), VT_I4); }), tq::hresult::DISP_E_OVERFLOW_);
    EXPECT_EQ(codeOf([] { ChangeType(Variant::R8(1e300), VT_R4); }), tq::hresult::DISP_E_OVERFLOW_);
    EXPECT_EQ(codeOf([] { ChangeType(Variant::R8(NAN), VT_I4); }), tq::hresult::DISP_E_OVERFLOW_);
    EXPECT_EQ(codeOf([] { ChangeType(Variant::R8(1e9), VT_DATE); }), tq::hresult::DISP_E_OVERFLOW_);
    EXPECT_EQ(ChangeType(Variant::R8(32767.4), VT_I2).iVal, 32767);
    EXPECT_EQ(ChangeType(Variant::R8(-2147483648.0), VT_I4).lVal, INT32_MIN);

    // Text to numbers: the "C"-locale decimal form, blanks around allowed, nothing else.
    EXPECT_EQ(ChangeType(Variant::Str(u"  12.5 "), VT_R8).dblVal, 12.5);
    EXPECT_EQ(ChangeType(Variant::Str(u"-1e3"), VT_I4).lVal, -1000);
    EXPECT_EQ(ChangeType(Variant::Str(u".5"), VT_R8).dblVal, 0.5);
    EXPECT_EQ(ChangeType(Variant::Str(u"70000"), VT_UI4).ulVal, 70000u);
    for (const char16_t* bad :
         {u"", u" ", u"12abc", u"0x10", u"inf", u"nan", u"1,5", u"1e", u"--1", u"\xff11"})
        EXPECT_EQ(codeOf([&] { ChangeType(Variant::Str(bad), VT_R8); }),
                  tq::hresult::DISP_E_TYPEMISMATCH_);
    EXPECT_EQ(codeOf([] { ChangeType(Variant::Str(u"99999"), VT_I2); }),
              tq::hresult::DISP_E_OVERFLOW_);
    EXPECT_EQ(ChangeType(Variant::Str(u"TRUE"), VT_BOOL).boolVal, -1);
    EXPECT_EQ(ChangeType(Variant::Str(u"false"), VT_BOOL).boolVal, 0);
    EXPECT_EQ(ChangeType(Variant::Str(u"2"), VT_BOOL).boolVal, -1);
    EXPECT_EQ(ChangeType(Variant::Str(u"2024/1/1 12:00"), VT_DATE).date, 45292.5);
    EXPECT_EQ(codeOf([] { ChangeType(Variant::Str(u"2023/2/29"), VT_DATE); }),
              tq::hresult::DISP_E_TYPEMISMATCH_);

    // Values that have no other form.
    EXPECT_EQ(codeOf([] { ChangeType(Variant::Error(0x800A07D7), VT_I4); }),
              tq::hresult::DISP_E_TYPEMISMATCH_);
    EXPECT_EQ(codeOf([] { ChangeType(Variant::Missing(), VT_BSTR); }),
              tq::hresult::DISP_E_TYPEMISMATCH_);
    Variant null;
    null.vt = VT_NULL;
    EXPECT_EQ(codeOf([&] { ChangeType(null, VT_BSTR); }), tq::hresult::DISP_E_TYPEMISMATCH_);
    EXPECT_EQ(codeOf([] { ChangeType(Variant::Dispatch(nullptr), VT_BSTR); }),
              tq::hresult::DISP_E_TYPEMISMATCH_);
    EXPECT_EQ(codeOf([] { ChangeType(Variant::I4(1), VT_DISPATCH); }),
              tq::hresult::DISP_E_TYPEMISMATCH_);
    EXPECT_EQ(ChangeType(Variant(), VT_DISPATCH).disp, nullptr);
    EXPECT_EQ(codeOf([] { ChangeType(Variant::I4(1), VT_BYREF | VT_I4); }),
              tq::hresult::DISP_E_BADVARTYPE_);
    EXPECT_EQ(codeOf([] { ChangeType(Variant::ByRef(nullptr), VT_I4); }),
              tq::hresult::DISP_E_TYPEMISMATCH_);
}

TEST(ChangeType, ObjectsConvertThroughTheirDefaultMember) {
    auto cell = std::make_shared<FakeObject>();
    cell->answer = [](DISPID, InvokeKind, std::span<const Variant>) {
        return Variant::R8(0.1 + 0.2);
    };
    EXPECT_EQ(text(Variant::Dispatch(cell)), "0.3");
    EXPECT_THAT(cell->calls, ElementsAre("0/2"));  // DISPID_VALUE, property get, no arguments
    EXPECT_EQ(ChangeType(Variant::Dispatch(cell), VT_R8).dblVal, 0.1 + 0.2);
    // An object whose value is an object: followed.
    auto outer = std::make_shared<FakeObject>();
    outer->answer = [cell](DISPID, InvokeKind, std::span<const Variant>) {
        return Variant::Dispatch(cell);
    };
    EXPECT_EQ(text(Variant::Dispatch(outer)), "0.3");
    // An object that only ever yields itself: an error, not a hang.
    auto loop = std::make_shared<FakeObject>();
    std::weak_ptr<FakeObject> weakLoop = loop;
    loop->answer = [weakLoop](DISPID, InvokeKind, std::span<const Variant>) {
        return Variant::Dispatch(weakLoop.lock());
    };
    EXPECT_EQ(codeOf([&] { text(Variant::Dispatch(loop)); }), tq::hresult::DISP_E_TYPEMISMATCH_);
    // A cell holding an error value: the failure says which value.
    auto err = std::make_shared<FakeObject>();
    err->answer = [](DISPID, InvokeKind, std::span<const Variant>) {
        return Variant::Error(0x800A07D7);
    };
    EXPECT_EQ(messageOf([&] { text(Variant::Dispatch(err)); }),
              "Range value: cannot convert an error value (#DIV/0!) to text");
    err->answer = [](DISPID, InvokeKind, std::span<const Variant>) { return Variant::Error(2042); };
    EXPECT_THAT(messageOf([&] { text(Variant::Dispatch(err)); }), HasSubstr("#N/A"));
}

TEST(TextForm, Numbers) {
    struct Case {
        double v;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {1, "1"},
        {-1.5, "-1.5"},
        {100, "100"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3, "0.333333333333333"},
        {-2.0 / 3, "-0.666666666666667"},
        {12345.678, "12345.678"},
        {123456789012345.0, "123456789012345"},
        {1e14, "100000000000000"},
        {999999999999999.4, "999999999999999"},
        {1234567890123456.0, "1.23456789012346E+15"},
        {9999999999999999.0, "1E+16"},
        {1e15, "1E+15"},
        {1e20, "1E+20"},
        {-1e20, "-1E+20"},
        {1e100, "1E+100"},
        {1.5e-300, "1.5E-300"},
        {0.000001, "0.000001"},
        {0.0001234, "0.0001234"},
        {1e-7, "1E-07"},
        {-1.5e-7, "-1.5E-07"},
        {0.30000000000000004, "0.3"},
        {45292.5, "45292.5"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tq::text::FormatNumber(c.v), c.text) << c.text;
        EXPECT_EQ(text(Variant::R8(c.v)), c.text) << c.text;
    }
    // Floats use 7 significant digits; integers are exact.
    EXPECT_EQ(text(Variant::R4(0.1f)), "0.1");
    EXPECT_EQ(text(Variant::R4(1234567.0f)), "1234567");
    EXPECT_EQ(text(Variant::R4(16777216.0f)), "1.677722E+07");
    EXPECT_EQ(text(Variant::I2(-32768)), "-32768");
    EXPECT_EQ(text(Variant::I4(-5)), "-5");
    EXPECT_EQ(text(Variant::Int(2147483647)), "2147483647");
    EXPECT_EQ(text(Variant::UI4(4000000000u)), "4000000000");
    EXPECT_EQ(text(Variant::Bool(true)), "TRUE");
    EXPECT_EQ(text(Variant::Bool(false)), "FALSE");
    EXPECT_EQ(text(Variant()), "");
    // The text form does not depend on the process locale.
    const char* old = setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    if (setlocale(LC_NUMERIC, "de_DE.UTF-8") || setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
        EXPECT_EQ(text(Variant::R8(-1.5)), "-1.5");
        EXPECT_EQ(ChangeType(Variant::Str(u"2.5"), VT_R8).dblVal, 2.5);
    }
    setlocale(LC_NUMERIC, saved.c_str());
}

TEST(TextForm, Dates) {
    EXPECT_EQ(text(Variant::Date(45292)), "2024/1/1");
    EXPECT_EQ(text(Variant::Date(45292.5)), "2024/1/1 12:00:00");
    EXPECT_EQ(text(Variant::Date(45292.75 + 1.0 / 86400)), "2024/1/1 18:00:01");
    EXPECT_EQ(text(Variant::Date(45292 + 9.0 / 24 + 5.0 / 1440)), "2024/1/1 9:05:00");
    // Rounded to the second, carrying into the next day.
    EXPECT_EQ(text(Variant::Date(45292.9999999999)), "2024/1/2");
    EXPECT_EQ(text(Variant::Date(1)), "1899/12/31");
    EXPECT_EQ(text(Variant::Date(2)), "1900/1/1");
    EXPECT_EQ(text(Variant::Date(60)), "1900/2/28");
    EXPECT_EQ(text(Variant::Date(61)), "1900/3/1");
    EXPECT_EQ(text(Variant::Date(36951)), "2001/3/1");
    EXPECT_EQ(text(Variant::Date(2958465)), "9999/12/31");
    EXPECT_EQ(text(Variant::Date(-657434)), "100/1/1");
    // Before day 0 the time still counts forward from the start of the day.
    EXPECT_EQ(text(Variant::Date(-1.25)), "1899/12/29 6:00:00");
    // A time of day alone.
    EXPECT_EQ(text(Variant::Date(0.5)), "12:00:00");
    EXPECT_EQ(text(Variant::Date(0)), "0:00:00");
    EXPECT_EQ(codeOf([] { text(Variant::Date(2958466)); }), tq::hresult::DISP_E_OVERFLOW_);
    EXPECT_EQ(codeOf([] { text(Variant::Date(-700000)); }), tq::hresult::DISP_E_OVERFLOW_);

    double d = 0;
    ASSERT_TRUE(tq::text::ParseDate("2024/1/1 12:00:00", d));
    EXPECT_EQ(d, 45292.5);
    ASSERT_TRUE(tq::text::ParseDate("1899-12-29 6:00", d));
    EXPECT_EQ(d, -1.25);
    ASSERT_TRUE(tq::text::ParseDate("2024/2/29", d));
    EXPECT_EQ(FormatDate(d), "2024/2/29");
    ASSERT_TRUE(tq::text::ParseDate("18:30", d));
    EXPECT_EQ(FormatDate(d), "18:30:00");
    for (const char* bad : {"2023/2/29", "2024/13/1", "2024/0/1", "2024/1/32", "12:60", "24:00",
                            "2024/1/1x", "2024/1-1", "99/1/1", ""})
        EXPECT_FALSE(tq::text::ParseDate(bad, d)) << bad;
}

TEST(Bstr, GbkConversionsAreStrict) {
    // Trail bytes 0x5C, 0x7C and 0x40 belong to their characters.
    EXPECT_EQ(ToBstr("\xb5\x5c\xb4\x7c\xb3\x40"), u"\x792c\x78e1\x77e6");
    EXPECT_EQ(ToBstr("a\\b"), u"a\\b");
    EXPECT_EQ(FromBstr(u"\x9752\x8861|"), "\xc7\xe0\xba\xe2|");
    EXPECT_EQ(FromBstr(ToBstr("\xb5\x5c\xb4\x7c\xb3\x40")), "\xb5\x5c\xb4\x7c\xb3\x40");
    // A character outside code page 936 narrows to '?'.
    EXPECT_EQ(FromBstr(u"a\U0001F600b"), "a?b");
    Variant v = StrVariant("\xc7\xe0\xba\xe2");
    EXPECT_EQ(v.vt, VT_BSTR);
    EXPECT_EQ(VariantToString(v), "\xc7\xe0\xba\xe2");

    // Invalid GBK raises, naming the byte.
    try {
        ToBstr("ab\xc7\xe0\x81");
        FAIL() << "no error";
    } catch (const tq::AutomationError& e) {
        EXPECT_EQ(e.code(), tq::hresult::E_NO_UNICODE_TRANSLATION_);
        EXPECT_THAT(e.what(), HasSubstr("byte 4"));
    }
    EXPECT_EQ(codeOf([] { StrVariant("\xff"); }), tq::hresult::E_NO_UNICODE_TRANSLATION_);
}

TEST(Registry, RunningServersAndDisabling) {
    OfficeEnv env;
    unsetenv("TQTOOL_OFFICE");
    std::atomic<int> made{0};
    std::weak_ptr<FakeObject> first;
    pf::RegisterServer("Test.Bridge", [&]() -> DispatchPtr {
        ++made;
        auto o = std::make_shared<FakeObject>();
        if (first.expired()) first = o;
        return o;
    });

    EXPECT_EQ(pf::CoInitialize(), tq::hresult::S_OK_);
    EXPECT_TRUE(pf::AfxOleInit());
    pf::CLSID clsid;
    ASSERT_EQ(pf::CLSIDFromProgID("test.BRIDGE", clsid),
              tq::hresult::S_OK_);  // program ids ignore case
    EXPECT_EQ(clsid.progId, "Test.Bridge");
    pf::CLSID unknown;
    EXPECT_EQ(pf::CLSIDFromProgID("No.Such.Server", unknown), tq::hresult::CO_E_CLASSSTRING_);

    DispatchPtr out;
    EXPECT_EQ(pf::GetActiveObject(clsid, out), tq::hresult::MK_E_UNAVAILABLE_);
    EXPECT_EQ(out, nullptr);
    ASSERT_TRUE(pf::CreateDispatch(clsid, out));
    EXPECT_EQ(made, 1);
    DispatchPtr started = out;
    out.reset();
    started.reset();
    // The started server keeps running after its caller let go, and a second caller attaches
    // to the same instance.
    ASSERT_FALSE(first.expired());
    DispatchPtr active;
    ASSERT_EQ(pf::GetActiveObject(clsid, active), tq::hresult::S_OK_);
    EXPECT_EQ(active, first.lock());
    DispatchPtr queried;
    EXPECT_EQ(pf::QueryInterfaceDispatch(active, queried), tq::hresult::S_OK_);
    EXPECT_EQ(queried, active);
    DispatchPtr none;
    EXPECT_EQ(pf::QueryInterfaceDispatch(nullptr, none), tq::hresult::E_NOINTERFACE_);

    // A second start gives a new running instance; the first one keeps running too.
    DispatchPtr second;
    ASSERT_TRUE(pf::CreateDispatch("Test.Bridge", second));
    EXPECT_NE(second, active);
    active.reset();
    queried.reset();
    EXPECT_FALSE(first.expired());
    DispatchPtr now;
    ASSERT_EQ(pf::GetActiveObject(clsid, now), tq::hresult::S_OK_);
    EXPECT_EQ(now, second);
    now.reset();

    // TQTOOL_OFFICE=none: no server at all, read at every call.
    setenv("TQTOOL_OFFICE", "none", 1);
    EXPECT_TRUE(pf::ServersDisabled());
    pf::CLSID c2;
    EXPECT_EQ(pf::CLSIDFromProgID("Test.Bridge", c2), tq::hresult::CO_E_CLASSSTRING_);
    DispatchPtr o2;
    EXPECT_EQ(pf::GetActiveObject(clsid, o2), tq::hresult::MK_E_UNAVAILABLE_);
    EXPECT_FALSE(pf::CreateDispatch(clsid, o2));
    EXPECT_EQ(o2, nullptr);
    EXPECT_FALSE(pf::CreateDispatch("Excel.Application", o2));
    setenv("TQTOOL_OFFICE", "NONE", 1);
    EXPECT_TRUE(pf::ServersDisabled());
    setenv("TQTOOL_OFFICE", "builtin", 1);
    EXPECT_FALSE(pf::ServersDisabled());
    unsetenv("TQTOOL_OFFICE");
    EXPECT_EQ(pf::GetActiveObject(clsid, o2), tq::hresult::S_OK_);
    EXPECT_EQ(made, 2);

    // Forgetting the running instances ends them.
    second.reset();
    o2.reset();
    pf::ForgetRunningServer("Test.Bridge");
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(pf::GetActiveObject(clsid, o2), tq::hresult::MK_E_UNAVAILABLE_);

    // A server that cannot start is not there.
    pf::RegisterServer("Test.Broken",
                       []() -> DispatchPtr { throw std::runtime_error("cannot start"); });
    pf::RegisterServer("Test.Null", []() -> DispatchPtr { return nullptr; });
    EXPECT_FALSE(pf::CreateDispatch("Test.Broken", o2));
    EXPECT_FALSE(pf::CreateDispatch("Test.Null", o2));
    pf::CLSID broken;
    ASSERT_EQ(pf::CLSIDFromProgID("Test.Broken", broken), tq::hresult::S_OK_);
    EXPECT_EQ(pf::GetActiveObject(broken, o2), tq::hresult::MK_E_UNAVAILABLE_);

    EXPECT_TRUE(static_cast<bool>(pf::GetServerFactory("Test.Bridge")));
    pf::UnregisterServer("Test.Bridge");
    pf::UnregisterServer("Test.Broken");
    pf::UnregisterServer("Test.Null");
    EXPECT_FALSE(static_cast<bool>(pf::GetServerFactory("Test.Bridge")));
    EXPECT_EQ(pf::CLSIDFromProgID("Test.Bridge", c2), tq::hresult::CO_E_CLASSSTRING_);
}

TEST(Registry, BuiltinServersAreLinkedIn) {
    OfficeEnv env;
    unsetenv("TQTOOL_OFFICE");
    // The library classes register the engines before their first lookup, also in a statically
    // linked program.
    tq::office::RegisterBuiltinServers();
    for (const char* progId : {"Excel.Application", "Word.Application"}) {
        pf::CLSID clsid;
        EXPECT_EQ(pf::CLSIDFromProgID(progId, clsid), tq::hresult::S_OK_) << progId;
        EXPECT_TRUE(static_cast<bool>(pf::GetServerFactory(progId))) << progId;
    }
}

TEST(Registry, ConcurrentCallersShareOneInstance) {
    OfficeEnv env;
    unsetenv("TQTOOL_OFFICE");
    std::atomic<int> made{0};
    pf::RegisterServer("Test.Threads", [&]() -> DispatchPtr {
        ++made;
        return std::make_shared<FakeObject>();
    });
    DispatchPtr first;
    ASSERT_TRUE(pf::CreateDispatch("Test.Threads", first));
    std::vector<std::thread> threads;
    std::atomic<int> same{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                pf::CLSID c;
                DispatchPtr o;
                if (pf::CLSIDFromProgID("Test.Threads", c) == tq::hresult::S_OK_ &&
                    pf::GetActiveObject(c, o) == tq::hresult::S_OK_ && o == first)
                    ++same;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(same, 800);
    EXPECT_EQ(made, 1);
    first.reset();
    pf::UnregisterServer("Test.Threads");
}

