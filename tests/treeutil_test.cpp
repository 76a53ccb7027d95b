// Map-scale aliases and tree description files through the library.
#include "tqtool/treeutil.h"

#include <gtest/gtest.h>

#include <string>

#include "support/os_support.h"
#include "text/text.h"

using namespace ostest;

TEST(ScaleAlias, PrefixDenominatorAndDriveRootEnding) {
    EXPECT_EQ(tq::GetScaFromAlias("TQGIS_XZ2000"), "1:2000");
    EXPECT_EQ(tq::GetScaFromAlias("tqgis_xz2000:\\"), "1:2000");
    EXPECT_EQ(tq::GetScaFromAlias("TqGis_Xz10000"), "1:10000");
    EXPECT_EQ(tq::GetScaFromAlias("TQGIS_XZ"), "1:500");
    EXPECT_EQ(tq::GetScaFromAlias("TQGIS_XZ:\\"), "1:500");
    // The denominator is not checked, and only the exact ":\" ending is dropped.
    EXPECT_EQ(tq::GetScaFromAlias("TQGIS_XZabc"), "1:abc");
    EXPECT_EQ(tq::GetScaFromAlias("TQGIS_XZ500:/"), "1:500:/");
    EXPECT_EQ(tq::GetScaFromAlias("TQGIS_XZ" + kGbkFan), "1:" + kGbkFan);
    EXPECT_EQ(tq::GetScaFromAlias("D:\\"), "");
    EXPECT_EQ(tq::GetScaFromAlias("TQGIS_X"), "");
    EXPECT_EQ(tq::GetScaFromAlias("TQGIS-XZ2000"), "");
    EXPECT_EQ(tq::GetScaFromAlias(":\\"), "");
    EXPECT_EQ(tq::GetScaFromAlias(""), "");
}

TEST(TreeItems, ReadsKeysLevelsAndNames) {
    TempDir tmp;
    // GBK text with CR LF line ends; names hold characters whose trail bytes are '\', '|', '@'.
    const std::string file = tmp.path() + "/" + kUtf8Fan + ".ini";
    writeFile(file,
              "[Tree]\r\n"
              "1=Root\r\n"
              "2=*Branch\r\n"
              "3=**Leaf\r\n"
              "  [group with blanks before it\r\n"
              "**Loose\r\n" +
                  kGbkKan + "=***" + kGbkFan + kGbkHou +
                  "\r\n"
                  "4=\r\n"
                  "=x\r\n"
                  "5=***\r\n"
                  "6=*a*b\r\n"
                  "7=a=b\r\n"
                  "\t8 = *x  \r\n"
                  "9=last-without-line-end");
    tq::StringArray names{"stale"}, keys{"stale"};
    tq::UIntArray levels{99};
    ASSERT_EQ(tq::GetTreeItemArray(tmp.path() + "\\" + kGbkFan + ".ini", names, levels, keys), 1);
    EXPECT_EQ(names, (tq::StringArray{"Root", "Branch", "Leaf", "Loose", kGbkFan + kGbkHou, "", "x",
                                      "", "a*b", "a=b", " *x", "last-without-line-end"}));
    EXPECT_EQ(levels, (tq::UIntArray{0, 1, 2, 2, 3, 0, 0, 3, 1, 0, 0, 0}));
    EXPECT_EQ(keys,
              (tq::StringArray{"1", "2", "3", "", kGbkKan, "4", "", "5", "6", "7", "8 ", "9"}));
}

TEST(TreeItems, EmptyLinesAnywhereNeverEndTheReading) {
    TempDir tmp;
    // More than 20 empty lines (some only blanks) before the last items, LF line ends.
    std::string content = "[Tree]\n1=Root\n";
    for (int i = 0; i < 25; ++i) content += (i % 3 == 0) ? "   \n" : "\n";
    content += "2=*Late\n";
    for (int i = 0; i < 30; ++i) content += "\r\n";
    content += "3=**Later\n\n\n";
    writeFile(tmp.path() + "/tree.txt", content);
    tq::StringArray names, keys;
    tq::UIntArray levels;
    ASSERT_EQ(tq::GetTreeItemArray(tmp.path() + "/tree.txt", names, levels, keys), 1);
    EXPECT_EQ(names, (tq::StringArray{"Root", "Late", "Later"}));
    EXPECT_EQ(levels, (tq::UIntArray{0, 1, 2}));
    EXPECT_EQ(keys, (tq::StringArray{"1", "2", "3"}));

    // An empty file is read: no items.
    writeFile(tmp.path() + "/empty.txt", "");
    names = {"stale"};
    EXPECT_EQ(tq::GetTreeItemArray(tmp.path() + "/empty.txt", names, levels, keys), 1);
    EXPECT_TRUE(names.empty());
}

TEST(TreeItems, UnreadableFileGivesZeroAndEmptyArrays) {
    TempDir tmp;
    tq::StringArray names{"stale"}, keys{"stale"};
    tq::UIntArray levels{1};
    EXPECT_EQ(tq::GetTreeItemArray(tmp.path() + "/missing.txt", names, levels, keys), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(levels.empty());
    EXPECT_TRUE(keys.empty());
    names = {"stale"};
    EXPECT_EQ(tq::GetTreeItemArray(tmp.path(), names, levels, keys), 0);  // a folder
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(tq::GetTreeItemArray("", names, levels, keys), 0);
}
