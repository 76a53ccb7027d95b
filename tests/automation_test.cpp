// Automation bridge: variants, holders, the coercion through objects and its locale, the string
// conversion and the server registry (the coercion of plain values: golden/text_forms.txt).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "automation/excel_ops.h"
#include "automation/holder.h"
#include "automation/servers.h"
#include "office/builtin_servers.h"
#include "support/os_support.h"
#include "support/recording_server.h"
#include "support/require.h"

using namespace tq::automation;
using ::testing::HasSubstr;

namespace {

// An object that answers every call with a function of its own.
struct Stub : IDispatch {
    std::function<Variant(DISPID)> answer = [](DISPID) { return Variant(); };
    std::string type = "Range";
    Variant Invoke(DISPID id, InvokeKind, std::span<const Variant>) override { return answer(id); }
    std::string TypeName() const override { return type; }
    const MemberTable* Members() const override { return &xl::Members(); }
};

std::string text(const Variant& v) {
    return VariantToString(v);
}

// The error an action raises: its code and message, or {0, ""}.
std::pair<int32_t, std::string> errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const tq::AutomationError& e) {
        return {e.code(), e.what()};
    }
    return {0, ""};
}

TEST(Variant, TheMissingValueIsParamNotFoundAndNothingElse) {
    EXPECT_EQ(Variant::Missing().vt, VT_ERROR);
    EXPECT_EQ(static_cast<uint32_t>(Variant::Missing().scode), 0x80020004u);
    EXPECT_FALSE(Variant::Error(0x800A07D7).isMissing());
    EXPECT_FALSE(Variant::I4(static_cast<int32_t>(0x80020004u)).isMissing());
}

TEST(Holder, OwnsExactlyOneReference) {
    auto a = std::make_shared<Stub>(), b = std::make_shared<Stub>();
    std::weak_ptr<Stub> wa = a, wb = b;
    Holder h(std::move(a));
    h.AttachDispatch(std::move(b));  // releases the previous object
    EXPECT_TRUE(wa.expired());
    Holder copy = h;  // a reference of its own
    EXPECT_EQ(wb.use_count(), 2);
    copy.ReleaseDispatch();
    EXPECT_EQ(wb.use_count(), 1);
    DispatchPtr detached = h.DetachDispatch();  // handed over, not released
    EXPECT_TRUE(h.empty());
    EXPECT_EQ(wb.use_count(), 1);
    { Holder scoped(std::move(detached)); }
    EXPECT_TRUE(wb.expired());
}

TEST(Holder, AnEmptyHolderSendsNothingAndGivesEmptyResults) {
    Holder h;
    EXPECT_EQ(h.GetProperty(xl::Range_Count, VT_I4).vt, VT_EMPTY);
    EXPECT_TRUE(h.GetObject(xl::Range_Font).empty());
    EXPECT_TRUE(h.InvokeObject(xl::Workbooks_Add, InvokeKind::Method).empty());
    h.SetProperty(xl::Range_Value, Variant::I4(1));
}

TEST(Holder, ArgumentsArriveInOrderWithTheirTypes) {
    tqtest::RecordingServer rec;
    Holder app(rec.Start());
    app.InvokeHelper(xl::Application_Visible, InvokeKind::PropertyPut, VT_EMPTY,
                     {Variant::I4(1), Variant::I2(2), Variant::Bool(false), Variant::Missing()});
    EXPECT_EQ(rec.Log().back(), "Application[1].Visible(put) I4:1 I2:2 BOOL:FALSE MISSING");
}

TEST(Holder, ResultsTakeTheRequestedType) {
    auto obj = std::make_shared<Stub>();
    obj->answer = [](DISPID id) {
        if (id == xl::Range_Font) return Variant::Dispatch(std::make_shared<Stub>());
        return id == xl::Range_Count ? Variant::R8(3.5) : Variant::Str(u"12");
    };
    Holder h(obj);
    EXPECT_EQ(h.GetProperty(xl::Range_Count, VT_I4).lVal, 4);
    EXPECT_EQ(h.GetProperty(xl::Range_Value, VT_I2).iVal, 12);
    EXPECT_EQ(h.GetProperty(xl::Range_Value, VT_EMPTY).vt, VT_EMPTY);
    EXPECT_EQ(h.GetProperty(xl::Range_Value, VT_VARIANT).vt, VT_BSTR);
    EXPECT_FALSE(h.GetObject(xl::Range_Font).empty());
}

TEST(Holder, FailuresNameTheMemberAndTheReason) {
    auto obj = std::make_shared<Stub>();
    obj->type = "Sheets";
    obj->answer = [](DISPID id) -> Variant {
        if (id == xl::Sheets_Item) throw tq::AutomationError(0x800A03EC, "Sheets.Item: no sheet 9");
        if (id == xl::Sheets_Select) throw std::runtime_error("selection refused");
        return Variant::Str(u"many");
    };
    Holder h(obj);
    // The server's own error passes unchanged; any other failure becomes an automation error.
    EXPECT_EQ(errorOf([&] { h.GetObject(xl::Sheets_Item, {Variant::I4(9)}); }),
              std::pair(static_cast<int32_t>(0x800A03ECu), std::string("Sheets.Item: no sheet 9")));
    EXPECT_EQ(
        errorOf([&] { h.InvokeHelper(xl::Sheets_Select, InvokeKind::Method, VT_EMPTY); }),
        std::pair(tq::hresult::DISP_E_EXCEPTION_, std::string("Sheets.Select: selection refused")));
    EXPECT_EQ(errorOf([&] { h.GetProperty(xl::Sheets_Count, VT_I4); }).second,
              "Sheets.Count: cannot convert the text \"many\" to VT_I4: it is not a number");
    EXPECT_EQ(MemberName(&xl::Members(), "Range", 0x999), "Range.#0x999");
}

TEST(ChangeType, ObjectsConvertThroughTheirDefaultMember) {
    auto cell = std::make_shared<Stub>();
    cell->answer = [](DISPID id) {
        return id == DISPID_VALUE ? Variant::R8(0.1 + 0.2) : Variant();
    };
    EXPECT_EQ(text(Variant::Dispatch(cell)), "0.3");
    // An object whose value is an object is followed; one that only yields itself is an error.
    auto outer = std::make_shared<Stub>();
    outer->answer = [cell](DISPID) { return Variant::Dispatch(cell); };
    EXPECT_EQ(text(Variant::Dispatch(outer)), "0.3");
    auto loop = std::make_shared<Stub>();
    loop->answer = [weak = std::weak_ptr<Stub>(loop)](DISPID) {
        return Variant::Dispatch(weak.lock());
    };
    EXPECT_EQ(errorOf([&] { text(Variant::Dispatch(loop)); }).first,
              tq::hresult::DISP_E_TYPEMISMATCH_);
    // A cell holding an error value: the failure says which value.
    cell->answer = [](DISPID) { return Variant::Error(0x800A07D7); };
    EXPECT_EQ(errorOf([&] { text(Variant::Dispatch(cell)); }).second,
              "Range value: cannot convert an error value (#DIV/0!) to text");
}

TEST(TextForm, DoesNotDependOnTheProcessLocale) {
    const std::string saved = setlocale(LC_NUMERIC, nullptr);
    TQ_REQUIRE(setlocale(LC_NUMERIC, "de_DE.UTF-8"), "the locale de_DE.UTF-8");
    EXPECT_EQ(text(Variant::R8(-1.5)), "-1.5");
    EXPECT_EQ(ChangeType(Variant::Str(u"2.5"), VT_R8).dblVal, 2.5);
    setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Bstr, GbkConversionsAreStrict) {
    // Trail bytes 0x5C, 0x7C and 0x40 belong to their characters.
    EXPECT_EQ(ToBstr("\xb5\x5c\xb4\x7c\xb3\x40"), u"\x792c\x78e1\x77e6");
    EXPECT_EQ(FromBstr(u"\x9752\x8861|"), "\xc7\xe0\xba\xe2|");
    EXPECT_EQ(FromBstr(u"a\U0001F600b"), "a?b");  // outside code page 936
    const auto [code, message] = errorOf([] { ToBstr("ab\xc7\xe0\x81"); });
    EXPECT_EQ(code, tq::hresult::E_NO_UNICODE_TRANSLATION_);
    EXPECT_THAT(message, HasSubstr("byte 4"));
}

// A test server "Test.Bridge" that counts its starts, registered for one test.
class Registry : public ::testing::Test {
  protected:
    Registry() {
        RegisterServer("Test.Bridge", [this]() -> DispatchPtr {
            ++made;
            return std::make_shared<Stub>();
        });
    }
    ~Registry() override { UnregisterServer("Test.Bridge"); }
    CLSID clsid{"Test.Bridge"};
    std::atomic<int> made{0};
    ostest::ScopedEnv enabled{"TQTOOL_OFFICE", nullptr};
};

TEST_F(Registry, ProgramIdsIgnoreCaseAndUnknownOnesAreNotFound) {
    CLSID found;
    ASSERT_EQ(CLSIDFromProgID("test.BRIDGE", found), tq::hresult::S_OK_);
    EXPECT_EQ(found, clsid);
    EXPECT_EQ(CLSIDFromProgID("No.Such.Server", found), tq::hresult::CO_E_CLASSSTRING_);
}

TEST_F(Registry, AStartedServerKeepsRunningAndLaterCallersAttachToIt) {
    DispatchPtr none, started, active, second;
    EXPECT_EQ(GetActiveObject(clsid, none), tq::hresult::MK_E_UNAVAILABLE_);
    ASSERT_TRUE(CreateDispatch(clsid, started));
    std::weak_ptr<IDispatch> first = started;
    started.reset();
    ASSERT_EQ(GetActiveObject(clsid, active), tq::hresult::S_OK_);
    EXPECT_EQ(active, first.lock());
    // A second start gives the new running instance; the first keeps running too.
    ASSERT_TRUE(CreateDispatch("Test.Bridge", second));
    EXPECT_NE(second, active);
    active.reset();
    EXPECT_FALSE(first.expired());
    EXPECT_EQ(made, 2);
}

TEST_F(Registry, ForgettingTheRunningServerEndsIt) {
    DispatchPtr started, after;
    ASSERT_TRUE(CreateDispatch(clsid, started));
    std::weak_ptr<IDispatch> weak = started;
    started.reset();
    ForgetRunningServer("Test.Bridge");
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(GetActiveObject(clsid, after), tq::hresult::MK_E_UNAVAILABLE_);
}

TEST_F(Registry, NoneInTheEnvironmentDisablesEveryServerAtEveryCall) {
    DispatchPtr out;
    ASSERT_TRUE(CreateDispatch(clsid, out));
    for (const char* none : {"none", "NONE"}) {
        ostest::ScopedEnv off("TQTOOL_OFFICE", none);
        CLSID found;
        EXPECT_EQ(CLSIDFromProgID("Test.Bridge", found), tq::hresult::CO_E_CLASSSTRING_);
        EXPECT_EQ(GetActiveObject(clsid, out), tq::hresult::MK_E_UNAVAILABLE_);
        EXPECT_FALSE(CreateDispatch("Excel.Application", out));
    }
    ostest::ScopedEnv builtin("TQTOOL_OFFICE", "builtin");
    EXPECT_EQ(GetActiveObject(clsid, out), tq::hresult::S_OK_);
}

TEST_F(Registry, AServerThatCannotStartIsNotThere) {
    RegisterServer("Test.Broken", []() -> DispatchPtr { throw std::runtime_error("no"); });
    RegisterServer("Test.Null", []() -> DispatchPtr { return nullptr; });
    DispatchPtr out;
    EXPECT_FALSE(CreateDispatch("Test.Broken", out));
    EXPECT_FALSE(CreateDispatch("Test.Null", out));
    EXPECT_EQ(GetActiveObject(CLSID{"Test.Broken"}, out), tq::hresult::MK_E_UNAVAILABLE_);
    UnregisterServer("Test.Broken");
    UnregisterServer("Test.Null");
}

TEST_F(Registry, ConcurrentCallersShareOneInstance) {
    DispatchPtr first;
    ASSERT_TRUE(CreateDispatch("Test.Bridge", first));
    std::atomic<int> same{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                CLSID c;
                DispatchPtr o;
                if (CLSIDFromProgID("Test.Bridge", c) == tq::hresult::S_OK_ &&
                    GetActiveObject(c, o) == tq::hresult::S_OK_ && o == first)
                    ++same;
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(same, 800);
    EXPECT_EQ(made, 1);
}

TEST(BuiltinServers, BothEnginesAreRegisteredInAStaticallyLinkedProgram) {
    ostest::ScopedEnv enabled("TQTOOL_OFFICE", nullptr);
    tq::office::RegisterBuiltinServers();
    for (const char* progId : {"Excel.Application", "Word.Application"}) {
        CLSID clsid;
        EXPECT_EQ(CLSIDFromProgID(progId, clsid), tq::hresult::S_OK_) << progId;
    }
}

}  // namespace
