// CIniFileNew: the object and its path, whole sections as arrays, long texts and the command
// line. Reading and editing rules are the golden files (ini_golden_test.cpp).
#include <gtest/gtest.h>

#include <cstdio>

#include "support/ini_util.h"
#include "tqtool/inifile.h"

namespace {

using namespace initest;
using tq::CIniFileNew;
using tq::StringArray;

TEST(IniFile, ConstructionPathAndCopies) {
    TempDir d;
    std::string f = d.path() + "/a.ini";
    CIniFileNew none;  // empty path: nothing to read, nothing can be written or needs deleting
    EXPECT_FALSE(none.SetValue("s", "k", "v", true));
    EXPECT_TRUE(none.DeleteValue("s", "k"));
    EXPECT_EQ(none.GetNumKeys(), 0);

    CIniFileNew ini;
    EXPECT_EQ(ini.SetPath(f), 0);  // missing
    StringArray out{"old"};
    EXPECT_EQ(ini.GetAllSections(out), 0);
    EXPECT_TRUE(out.empty());
    ini.SetKeyValue("s", "k", "v");  // the path was kept: the file is created
    EXPECT_EQ(ini.SetPath(f), 1);
    EXPECT_EQ(ini.SetPath(d.path()), 0);  // a folder
    EXPECT_EQ(ini.SetPath(d.path() + "\\a.ini"), 1);

    // The flag changes nothing; copies share the file, and nothing is cached.
    CIniFileNew t(f, true), u(f, false);
    EXPECT_EQ(u.GetKeyValue("s", "k"), "v");
    CIniFileNew copy(t), assigned;
    assigned = u;
    t.SetKeyValue("s", "k", "changed");
    EXPECT_EQ(copy.GetValue("s", "k"), "changed");
    EXPECT_EQ(assigned.GetValue("s", "k"), "changed");
}

TEST(IniFile, WholeSectionsAsArrays) {
    TempDir d;
    writeFile(d.path() + "/w.ini", "[s]\na=1\n[empty]\n");
    CIniFileNew ini(d.path() + "/w.ini", false);
    StringArray keys{"x"}, values{"y", "z"};
    EXPECT_FALSE(ini.GetValue("empty", keys, values));
    EXPECT_TRUE(keys.empty() && values.empty());
    EXPECT_TRUE(ini.GetValue("s", values));
    EXPECT_EQ(values, StringArray{"1"});
    EXPECT_EQ(ini.GetNumValues("s"), 1);
}

// Values, listing entries and listings longer than the fixed buffers of the original design.
TEST(IniFile, LongTextIsNeverCut) {
    TempDir d;
    std::string f = d.path() + "/long.ini";
    CIniFileNew ini(f, false);
    std::string longValue(100000, 'x');  // also longer than any line buffer
    StringArray k{"long"}, v{longValue};
    for (int i = 0; i < 2000; ++i) {
        k.push_back("key" + std::to_string(i));
        v.push_back(std::string(40, 'v'));
    }
    EXPECT_TRUE(ini.SetValue("big", k, v, true));
    EXPECT_EQ(ini.GetKeyValue("big", "long"), longValue);
    StringArray keys, values;
    EXPECT_EQ(ini.GetAllKeysAndValues("big", keys, values), 2001);
    EXPECT_EQ(values[0], longValue);
    std::string found;
    EXPECT_TRUE(ini.GetItemValue("LONG", found));
    EXPECT_EQ(found, longValue);
    std::string many;
    for (int i = 0; i < 3000; ++i)
        many += "[section nnnnnnnnnnnnnnnn " + std::to_string(i) + "]\r\n";
    writeFile(f, many);  // a names listing of more than 65,535 bytes
    EXPECT_EQ(ini.GetAllSections(keys), 3000);
    EXPECT_EQ(keys.back(), "section nnnnnnnnnnnnnnnn 2999");
    std::string longName(400, 'N');
    EXPECT_TRUE(ini.SetValue(longName, "k", "v", true));
    EXPECT_EQ(ini.GetKeyValue(longName, "k"), "v");
}

}  // namespace
