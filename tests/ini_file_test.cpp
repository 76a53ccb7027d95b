// CIniFileNew: sections, values, whole sections, the search across sections and the long-text
// cases.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "support/ini_util.h"
#include "text/text.h"
#include "tqtool/inifile.h"

namespace {

using initest::readFile;
using initest::TempDir;
using initest::writeFile;
using tq::CIniFileNew;
using tq::StringArray;

const std::string kBackslashChar = "\xb5\x5c";     // 礬
const std::string kBarChar = "\xb4\x7c";           // 磡
const std::string kAtChar = "\xb3\x40";            // 矦
const std::string kSettings = "\xc9\xe8\xd6\xc3";  // 设置
const std::string kParams = "\xb2\xce\xca\xfd";    // 参数

TEST(IniFile, ConstructionPathAndCopies) {
    TempDir d;
    std::string f = d.file("a.ini");
    CIniFileNew none;
    EXPECT_EQ(none.GetNumKeys(), 0);
    none.SetKeyValue("s", "k", "v");  // empty path: nothing is written anywhere
    EXPECT_EQ(none.GetKeyValue("s", "k"), "");

    CIniFileNew ini;
    EXPECT_EQ(ini.SetPath(f), 0);  // missing
    StringArray out{"old"};
    EXPECT_EQ(ini.GetAllSections(out), 0);
    EXPECT_TRUE(out.empty());
    ini.SetKeyValue("s", "k", "v");  // the path was kept: the file is created
    EXPECT_EQ(ini.SetPath(f), 1);
    EXPECT_EQ(ini.SetPath(d.path()), 0);  // a folder
    EXPECT_EQ(ini.SetPath(d.path() + "\\a.ini"), 1);

    // The flag changes nothing.
    CIniFileNew t(f, true), u(f, false);
    EXPECT_EQ(t.GetKeyValue("s", "k"), "v");
    EXPECT_EQ(u.GetKeyValue("s", "k"), "v");
    CIniFileNew copy(t);
    CIniFileNew assigned;
    assigned = u;
    EXPECT_EQ(copy.GetKeyValue("s", "k"), "v");
    EXPECT_EQ(assigned.GetKeyValue("s", "k"), "v");
    // No caching: a change through one object is seen by the others.
    t.SetKeyValue("s", "k", "changed");
    EXPECT_EQ(copy.GetValue("s", "k"), "changed");
}

TEST(IniFile, SectionOperations) {
    TempDir d;
    std::string f = d.file("s.ini");
    writeFile(f, "[empty]\n; only a comment\n[full]\nk=1\n[" + kSettings + "]\n" + kBackslashChar +
                     "=2\n");
    CIniFileNew ini(f, false);
    EXPECT_EQ(ini.SectionExist("empty"), 0);  // a header without entries counts as absent
    EXPECT_EQ(ini.SectionExist("FULL"), 1);
    EXPECT_EQ(ini.SectionExist(kSettings), 1);
    EXPECT_EQ(ini.SectionExist("missing"), 0);
    StringArray names{"x", "y"};
    EXPECT_EQ(ini.GetAllSections(names), 3);
    EXPECT_EQ(names, (StringArray{"empty", "full", kSettings}));
    StringArray keyname{"stale"};
    ini.GetAllKeyname(keyname);
    EXPECT_EQ(keyname, names);  // section names, not key names
    EXPECT_EQ(ini.GetNumKeys(), 3);

    EXPECT_TRUE(ini.DeleteKey("full"));
    EXPECT_TRUE(ini.DeleteKey("never there"));
    ini.DeleteSection("EMPTY");
    EXPECT_EQ(ini.GetAllSections(names), 1);
    EXPECT_EQ(names, StringArray{kSettings});

    ini.SetKeyValue("a", "k", "1");
    ini.SetKeyValue("b", "k", "1");
    ini.Reset();
    EXPECT_EQ(ini.GetNumKeys(), 0);
    ini.SetKeyValue("a", "k", "1");
    ini.DeleteAllSections();
    EXPECT_EQ(ini.GetNumKeys(), 0);
    ini.DeleteAllSections();  // nothing to do
    // The comment that followed the entry-less section's header stays (comments and blank
    // lines after a section's last entry are kept when it is removed).
    EXPECT_EQ(readFile(f), "; only a comment\n");
}

TEST(IniFile, TypedValues) {
    TempDir d;
    CIniFileNew ini(d.file("n.ini"), true);
    ini.SetKeyValue("n", "mixed", "12abc");
    ini.SetKeyValue("n", "text", "abc");
    ini.SetKeyValue("n", "float", "  -1.5e2");
    EXPECT_EQ(ini.GetValueI("n", "mixed"), 12);
    EXPECT_EQ(ini.GetValueI("n", "text"), 0);
    EXPECT_EQ(ini.GetValueI("n", "missing"), 0);
    EXPECT_DOUBLE_EQ(ini.GetValueF("n", "float"), -150.0);
    EXPECT_DOUBLE_EQ(ini.GetValueF("n", "missing"), 0.0);

    EXPECT_TRUE(ini.SetValueF("n", "third", 1.0 / 3, false));
    EXPECT_EQ(ini.GetKeyValue("n", "third"), "0.333333");
    EXPECT_TRUE(ini.SetValueF("n", "tiny", 1e-7, true));
    EXPECT_EQ(ini.GetKeyValue("n", "tiny"), "0.000000");
    EXPECT_EQ(ini.GetValueF("n", "tiny"), 0.0);
    EXPECT_TRUE(ini.SetValueF("n", "half", 2.5, true));
    EXPECT_EQ(ini.GetKeyValue("n", "half"), "2.500000");
    EXPECT_TRUE(ini.SetValueI("n", "neg", -7, false));
    EXPECT_EQ(ini.GetKeyValue("n", "neg"), "-7");
    EXPECT_EQ(ini.GetValueI("n", "neg"), -7);

    // Number text does not follow the process locale.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
        ini.SetValueF("n", "loc", 0.5, true);
        EXPECT_EQ(ini.GetKeyValue("n", "loc"), "0.500000");
        EXPECT_DOUBLE_EQ(ini.GetValueF("n", "loc"), 0.5);
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(IniFile, SetAndDeleteValues) {
    TempDir d;
    std::string f = d.file("v.ini");
    CIniFileNew ini(f, false);
    EXPECT_TRUE(ini.SetValue(kSettings, kBackslashChar, kBarChar + kAtChar, false));
    EXPECT_EQ(ini.GetValue(kSettings, kBackslashChar), kBarChar + kAtChar);
    EXPECT_TRUE(ini.SetValue(kSettings, "Key", "1", true));
    EXPECT_TRUE(ini.SetValue(kSettings, "KEY", "2", true));  // replaces, same key ignoring case
    EXPECT_EQ(ini.GetNumValues(kSettings), 2);
    EXPECT_EQ(ini.GetValue(kSettings, "key"), "2");
    EXPECT_EQ(readFile(f), "[" + kSettings + "]\r\n" + kBackslashChar + "=" + kBarChar + kAtChar +
                               "\r\nKey=2\r\n");

    ini.DeleteKey(kSettings, "kEy");
    EXPECT_EQ(ini.GetKeyValue(kSettings, "key"), "");
    EXPECT_TRUE(ini.DeleteValue(kSettings, "missing"));
    ini.DeleteKey("no section", "missing");
    EXPECT_TRUE(ini.DeleteValue(kSettings, kBackslashChar));
    EXPECT_EQ(ini.SectionExist(kSettings), 0);
    StringArray names;
    EXPECT_EQ(ini.GetAllSections(names), 1);  // the header stays, now without entries
}

TEST(IniFile, WholeSections) {
    TempDir d;
    std::string f = d.file("w.ini");
    writeFile(f, "[s]\na=b=c\nplain line\nq=\"kept\"\n=noname\n[empty]\n");
    CIniFileNew ini(f, false);
    StringArray keys{"x"}, values{"y", "z"};
    EXPECT_EQ(ini.GetAllKeysAndValues("s", keys, values), 4);
    EXPECT_EQ(keys, (StringArray{"a", "", "q", ""}));
    EXPECT_EQ(values, (StringArray{"b=c", "plain line", "\"kept\"", "noname"}));
    EXPECT_EQ(ini.GetAllKeysAndValues("empty", keys, values), 0);
    EXPECT_TRUE(keys.empty());
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(ini.GetNumValues("empty"), 0);
    EXPECT_EQ(ini.GetNumValues("missing"), 0);

    StringArray onlyValues{"old"};
    EXPECT_TRUE(ini.GetValue("s", onlyValues));
    EXPECT_EQ(onlyValues.size(), 4u);
    EXPECT_FALSE(ini.GetValue("empty", keys, values));

    // The array forms of SetValue.
    std::string before = readFile(f);
    EXPECT_FALSE(ini.SetValue("new", StringArray{"a", "b"}, StringArray{"1", "2", "3"}, true));
    EXPECT_TRUE(ini.SetValue("new", StringArray{}, StringArray{}, true));
    EXPECT_EQ(readFile(f), before);
    EXPECT_TRUE(ini.SetValue("new", StringArray{"a", "b", "A"}, StringArray{"1", "2", "3"}, false));
    EXPECT_EQ(ini.GetAllKeysAndValues("new", keys, values), 2);
    EXPECT_EQ(values, (StringArray{"3", "2"}));
    EXPECT_TRUE(ini.SetValue("blank", StringArray{"x", "y"}, true));
    EXPECT_EQ(ini.GetAllKeysAndValues("blank", keys, values), 2);
    EXPECT_EQ(values, (StringArray{"", ""}));
    EXPECT_NE(readFile(f).find("[blank]\nx=\ny=\n"), std::string::npos);
}

TEST(IniFile, SearchAcrossSectionsAndAllValues) {
    TempDir d;
    std::string f = d.file("g.ini");
    writeFile(f,
              "top=ignored\n"
              "[empty]\n"
              "[one]\n"
              "Name=first\n"
              "other=x\n"
              "[two]\n"
              "name=second\n"
              "[ONE]\n"
              "late=hidden behind the first block\n"
              "[" +
                  kParams + "]\n" + kBackslashChar + "=" + kBarChar + "\n");
    CIniFileNew ini(f, false);
    std::string v = "unchanged";
    EXPECT_TRUE(ini.GetItemValue("NAME", v));
    EXPECT_EQ(v, "first");
    EXPECT_TRUE(ini.GetItemValue(kBackslashChar, v));
    EXPECT_EQ(v, kBarChar);
    v = "unchanged";
    EXPECT_FALSE(ini.GetItemValue("late", v));  // the second [one] block stands for the first
    EXPECT_FALSE(ini.GetItemValue("top", v));
    EXPECT_EQ(v, "unchanged");

    StringArray all{"front"};
    ini.GetAllValues(all);
    // front; [one]: first, x; [two]: second; [ONE] again: first, x; [参数]
    EXPECT_EQ(all, (StringArray{"front", "first", "x", "second", "first", "x", kBarChar}));
    ini.GetAllValues(all);
    EXPECT_EQ(all.size(), 13u);

    CIniFileNew missing(d.file("none.ini"), false);
    EXPECT_FALSE(missing.GetItemValue("name", v));
    StringArray nothing;
    missing.GetAllValues(nothing);
    EXPECT_TRUE(nothing.empty());
}

// Values, listing entries and listings longer than the fixed buffers of the original design.
TEST(IniFile, LongTextIsNeverCut) {
    TempDir d;
    std::string f = d.file("long.ini");
    CIniFileNew ini(f, false);
    std::string longValue;
    for (int i = 0; i < 300; ++i) longValue += kSettings + "x";  // 1,500 bytes of GBK
    ini.SetKeyValue("s", "long", longValue);
    EXPECT_EQ(ini.GetKeyValue("s", "long"), longValue);
    StringArray keys, values;
    EXPECT_EQ(ini.GetAllKeysAndValues("s", keys, values), 1);
    EXPECT_EQ(values[0], longValue);
    std::string found;
    EXPECT_TRUE(ini.GetItemValue("LONG", found));
    EXPECT_EQ(found, longValue);

    // A section listing of more than 65,535 bytes and a names listing of more than 65,535.
    StringArray k, v;
    for (int i = 0; i < 2000; ++i) {
        k.push_back("key" + std::to_string(i));
        v.push_back(std::string(40, 'v') + std::to_string(i));
    }
    ini.SetValue("big", k, v, true);
    EXPECT_EQ(ini.GetAllKeysAndValues("big", keys, values), 2000);
    EXPECT_EQ(values.back(), std::string(40, 'v') + "1999");
    std::string many;
    for (int i = 0; i < 3000; ++i)
        many += "[section number " + std::string(10, 'n') + std::to_string(i) + "]\r\n";
    writeFile(f, many);
    StringArray names;
    EXPECT_EQ(ini.GetAllSections(names), 3000);
    EXPECT_EQ(names.back(), "section number " + std::string(10, 'n') + "2999");

    // A section name longer than 259 bytes works whole.
    std::string longName(400, 'N');
    ini.SetKeyValue(longName, "k", "v");
    EXPECT_EQ(ini.SectionExist(longName), 1);
    EXPECT_EQ(ini.GetKeyValue(longName, "k"), "v");
}

}  // namespace
