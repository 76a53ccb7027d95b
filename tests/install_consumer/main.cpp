// Uses the installed library through its public header only.
#include <tqtool/tqtool.h>

#include <cstdio>

int main() {
    int failures = 0;
    auto check = [&](bool ok, const char* what) {
        if (!ok) {
            std::printf("FAILED: %s\n", what);
            ++failures;
        }
    };
    tq::StringArray parts;
    tq::Str2StrArr("a,b,,c", parts, ',');
    check(parts.size() == 4 && parts[3] == "c", "Str2StrArr");
    check(tq::StrArr2Str(parts, "-") == "a-b--c", "StrArr2Str");
    check(tq::GetStrForDoulbe(2.675, 2) == "2.68", "GetStrForDoulbe");
    check(tq::D2dmsStr(tq::Dms2d(30, 15, 20)) == "30d15'20\"", "D2dmsStr");
    check(tq::action(tq::unionCol, 2, 1, 5).toStr() == "unionCol, col=2, sp=1, ep=5",
          "action::toStr");
    try {
        tq::NthSpaceStr("one", 3);
        check(false, "NthSpaceStr throws");
    } catch (const tq::InvalidArgument&) {
    }
    std::printf("tqtool %s\n", tq::Version());
    if (failures == 0) std::printf("consumer ok\n");
    return failures == 0 ? 0 : 1;
}
