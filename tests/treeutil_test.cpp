// Tree description files (map-scale aliases: tests/cli/cases.txt).
#include "tqtool/treeutil.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "support/os_support.h"
#include "tqtool/limits.h"

using namespace ostest;
using Json = nlohmann::json;

namespace {

// The three arrays of a tree file as JSON, after the result; the arrays start out stale.
Json read(const std::string& path) {
    tq::StringArray names{"stale"}, keys{"stale"};
    tq::UIntArray levels{99};
    int result = tq::GetTreeItemArray(path, names, levels, keys);
    return {result, names, levels, keys};
}

}  // namespace

TEST(TreeItems, ReadsKeysLevelsAndNamesOfEveryLine) {
    TempDir tmp;
    // GBK text with CR LF line ends and more than 20 empty lines inside; names hold characters
    // whose trail bytes are '\', '|', '@'.
    writeFile(tmp.file(kUtf8Fan),
              "[Tree]\r\n1=Root\r\n2=*B\r\n  [group\r\n**Loose\r\n" + kGbkKan + "=***" + kGbkFan +
                  kGbkHou + "\r\n" + std::string(25, '\n') +
                  "   \n=x\r\n5=***\r\n6=*a*b\r\n7=a=b\r\n\t8 = *x  \r\n9=last");
    EXPECT_EQ(read(tmp.path() + "\\" + kGbkFan),
              Json({1,
                    {"Root", "B", "Loose", kGbkFan + kGbkHou, "x", "", "a*b", "a=b", " *x", "last"},
                    {0, 1, 2, 3, 0, 3, 1, 0, 0, 0},
                    {"1", "2", "", kGbkKan, "", "5", "6", "7", "8 ", "9"}}));
    writeFile(tmp.file("empty"), "");
    EXPECT_EQ(read(tmp.file("empty")), Json({1, Json::array(), Json::array(), Json::array()}));
}

TEST(TreeItems, AnythingButABoundedRegularFileGivesZeroAtOnce) {
    TempDir tmp;
    ASSERT_EQ(::mkfifo(tmp.file("fifo").c_str(), 0600), 0);          // would block for ever
    std::filesystem::create_symlink("/dev/zero", tmp.file("zero"));  // would never end
    writeFile(tmp.file("big"), "1=a\n2=b\n");
    const tq::Limits saved = tq::GetLimits();
    tq::Limits small = saved;
    small.maxTextFileBytes = 7;
    tq::SetLimits(small);
    for (const std::string& path : {tmp.file("missing"), tmp.path(), std::string(),
                                    tmp.file("fifo"), tmp.file("zero"), tmp.file("big")})
        EXPECT_EQ(read(path), Json({0, Json::array(), Json::array(), Json::array()})) << path;
    tq::SetLimits(saved);
    EXPECT_EQ(read(tmp.file("big"))[0], 1);
}
