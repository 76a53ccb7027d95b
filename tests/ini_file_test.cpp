// CIniFileNew: the object and its path, long texts and the command line. Reading and editing
// rules, the array forms included, are the golden files (ini_golden_test.cpp).
#include <gtest/gtest.h>

#include "os/profile.h"
#include "support/os_support.h"
#include "tqtool/inifile.h"

namespace {

using ostest::TempDir;
using tq::CIniFileNew;
using tq::StringArray;

TEST(IniFile, PathIsKeptAndNothingIsCached) {
    TempDir d;
    const std::string f = d.path() + "/a.ini";
    CIniFileNew none;  // empty path: nothing to read, nothing can be written or needs deleting
    EXPECT_FALSE(none.SetValue("s", "k", "v", true));
    EXPECT_TRUE(none.DeleteValue("s", "k"));
    EXPECT_EQ(none.GetNumKeys(), 0);

    CIniFileNew ini;
    EXPECT_EQ(ini.SetPath(f), 0);  // missing, but kept: the next write creates the file
    ini.SetKeyValue("s", "k", "v");
    EXPECT_EQ(ini.SetPath(d.path()), 0);  // a folder
    EXPECT_EQ(ini.SetPath(d.path() + "\\a.ini"), 1);
    EXPECT_EQ(tq::os::GetFileAttributesA("/dev/null"), tq::os::FILE_ATTRIBUTE_DEVICE_);
    EXPECT_EQ(tq::os::GetFileAttributesA(d.path().c_str()), tq::os::FILE_ATTRIBUTE_DIRECTORY_);
    EXPECT_EQ(tq::os::GetFileAttributesA((d.path() + "/none").c_str()),
              tq::os::INVALID_FILE_ATTRIBUTES_);
    EXPECT_EQ(tq::os::GetFileAttributesA(f.c_str()), tq::os::FILE_ATTRIBUTE_NORMAL_);

    // Copies share the file, and nothing is cached.
    CIniFileNew copy(ini), assigned;
    assigned = ini;
    ini.SetKeyValue("s", "k", "changed");
    EXPECT_EQ(copy.GetValue("s", "k") + assigned.GetValue("s", "k"), "changedchanged");
}

// Values, listing entries and listings longer than the fixed buffers of the original design.
TEST(IniFile, LongTextIsNeverCut) {
    TempDir d;
    const std::string f = d.path() + "/long.ini", longValue(100000, 'x');
    std::string many = "[big]\nlong=" + longValue + "\n";
    for (int i = 0; i < 2000; ++i)
        many += "key" + std::to_string(i) + "=" + longValue.substr(0, 40) + "\n";
    for (int i = 0; i < 3000; ++i)
        many += "[section nnnnnnnnnnnnnnnn " + std::to_string(i) + "]\r\n";
    ostest::writeFile(f, many);
    CIniFileNew ini(f, false);
    StringArray keys, values;
    EXPECT_EQ(ini.GetAllKeysAndValues("big", keys, values), 2001);
    EXPECT_EQ(values[0], longValue);
    std::string found;
    EXPECT_TRUE(ini.GetItemValue("LONG", found) && found == longValue);
    EXPECT_EQ(ini.GetAllSections(keys), 3001);
    EXPECT_EQ(keys.back(), "section nnnnnnnnnnnnnnnn 2999");
    const std::string longName(400, 'N');
    EXPECT_TRUE(ini.SetValue(longName, "k", longValue, true));
    EXPECT_EQ(ini.GetKeyValue(longName, "k"), longValue);
}

}  // namespace
