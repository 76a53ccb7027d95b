// The private-profile engine: reading rules on existing files, buffer semantics, minimal
// rewrites, atomic and serialized writes, links, permissions and bad inputs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

#include "os/profile.h"
#include "support/ini_util.h"
#include "text/text.h"

namespace {

using initest::readFile;
using initest::TempDir;
using initest::writeFile;
namespace pf = tq::os;

// GBK characters whose trail byte is an ASCII character: '\', '|', '@', ']', 'A' and 'a'.
const std::string kBackslashChar = "\xb5\x5c";     // 礬
const std::string kBarChar = "\xb4\x7c";           // 磡
const std::string kAtChar = "\xb3\x40";            // 矦
const std::string kBracketChar = "\x81\x5d";       // 乚
const std::string kUpperTrail = "\xb5\x41";        // 礎
const std::string kLowerTrail = "\xb5\x61";        // 礱
const std::string kSettings = "\xc9\xe8\xd6\xc3";  // 设置

std::string get(const std::string& path, const std::string& section, const std::string& key) {
    char buf[4096];
    pf::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buf, sizeof buf, path.c_str());
    return buf;
}

bool has(const std::string& path, const std::string& section, const std::string& key) {
    std::string v;
    return pf::ProfileSnapshot::read(path).value(section, key, v);
}

tq::StringArray sections(const std::string& path) {
    return pf::ProfileSnapshot::read(path).sectionNames();
}
tq::StringArray entries(const std::string& path, const std::string& s) {
    return pf::ProfileSnapshot::read(path).entries(s);
}
tq::StringArray keys(const std::string& path, const std::string& s) {
    return pf::ProfileSnapshot::read(path).keyNames(s);
}

void set(const std::string& path, const std::string& s, const std::string& k,
         const std::string& v) {
    pf::WritePrivateProfileStringA(s.c_str(), k.c_str(), v.c_str(), path.c_str());
}

using Names = std::vector<std::string>;

// ---------------------------------------------------------------------------------------------
// Reading rules

TEST(ProfileRead, BlanksAroundNamesAndValuesAreIgnored) {
    TempDir d;
    std::string f = d.file("a.ini");
    writeFile(f, "  [ Sec One ]  \n\t key \t=\t  some value \t\n k2=  \n");
    EXPECT_EQ(get(f, "Sec One", "key"), "some value");
    EXPECT_EQ(get(f, "  sec one ", " KEY "), "some value");
    EXPECT_EQ(sections(f), Names{"Sec One"});
    EXPECT_EQ(entries(f, "sec one"), (Names{"key=some value", "k2="}));
    EXPECT_TRUE(has(f, "Sec One", "k2"));
    EXPECT_EQ(get(f, "Sec One", "k2"), "");
}

TEST(ProfileRead, OnePairOfMatchingQuotesIsRemovedByKeyOnly) {
    TempDir d;
    std::string f = d.file("q.ini");
    writeFile(f,
              "[q]\n"
              "a=\"quoted value\"\n"
              "b='single'\n"
              "c=\"mixed'\n"
              "d=\"\"twice\"\"\n"
              "e=\"\n"
              "f= \"  padded  \" \n");
    EXPECT_EQ(get(f, "q", "a"), "quoted value");
    EXPECT_EQ(get(f, "q", "b"), "single");
    EXPECT_EQ(get(f, "q", "c"), "\"mixed'");
    EXPECT_EQ(get(f, "q", "d"), "\"twice\"");
    EXPECT_EQ(get(f, "q", "e"), "\"");
    EXPECT_EQ(get(f, "q", "f"), "  padded  ");
    // The section listing keeps them.
    EXPECT_EQ(entries(f, "q")[0], "a=\"quoted value\"");
    EXPECT_EQ(entries(f, "q")[1], "b='single'");
}

TEST(ProfileRead, SemicolonLinesAreCommentsHashIsText) {
    TempDir d;
    std::string f = d.file("c.ini");
    writeFile(f,
              "; heading comment\n"
              "[s]\n"
              "  ; indented comment=1\n"
              ";k=commented out\n"
              "k=value ; not a comment\n"
              "#h=hash key\n"
              "x=1 # trailing\n");
    EXPECT_EQ(get(f, "s", "k"), "value ; not a comment");
    EXPECT_EQ(get(f, "s", "#h"), "hash key");
    EXPECT_EQ(get(f, "s", "x"), "1 # trailing");
    EXPECT_FALSE(has(f, "s", ";k"));
    EXPECT_EQ(keys(f, "s"), (Names{"k", "#h", "x"}));
    EXPECT_EQ(entries(f, "s"), (Names{"k=value ; not a comment", "#h=hash key", "x=1 # trailing"}));
}

TEST(ProfileRead, DuplicatesFirstWinsListingsShowAll) {
    TempDir d;
    std::string f = d.file("dup.ini");
    writeFile(f,
              "[a]\n"
              "k=first\n"
              "K=second\n"
              "[b]\n"
              "x=1\n"
              "[A]\n"
              "k=third\n"
              "only=in second block\n");
    EXPECT_EQ(get(f, "a", "k"), "first");
    EXPECT_FALSE(has(f, "a", "only"));
    EXPECT_EQ(sections(f), (Names{"a", "b", "A"}));
    EXPECT_EQ(entries(f, "A"), (Names{"k=first", "K=second"}));
    EXPECT_EQ(keys(f, "a"), (Names{"k", "K"}));
}

TEST(ProfileRead, LinesWithoutEqualsAreListedButHaveNoValue) {
    TempDir d;
    std::string f = d.file("noeq.ini");
    writeFile(f, "[s]\nplain line\nk=v\n=no name\n");
    EXPECT_EQ(entries(f, "s"), (Names{"plain line", "k=v", "=no name"}));
    EXPECT_EQ(keys(f, "s"), (Names{"plain line", "k"}));
    EXPECT_TRUE(has(f, "s", "plain line"));
    EXPECT_EQ(get(f, "s", "plain line"), "");
    EXPECT_EQ(get(f, "s", ""), "no name");
}

TEST(ProfileRead, AllLineEndsReadAlike) {
    TempDir d;
    for (const char* eol : {"\r\n", "\n", "\r"}) {
        std::string f = d.file("eol.ini");
        std::string e = eol;
        writeFile(f, "[s]" + e + "a=1" + e + e + "[t]" + e + "b=2");  // no final line end
        EXPECT_EQ(get(f, "s", "a"), "1") << int(e.size());
        EXPECT_EQ(get(f, "t", "b"), "2");
        EXPECT_EQ(sections(f), (Names{"s", "t"}));
        EXPECT_EQ(entries(f, "s"), Names{"a=1"});
    }
    std::string f = d.file("mixed.ini");
    writeFile(f, "[s]\ra=1\r\nb=2\nc=3\r\r\n[t]\rd=4");
    EXPECT_EQ(entries(f, "s"), (Names{"a=1", "b=2", "c=3"}));
    EXPECT_EQ(get(f, "t", "d"), "4");
}

TEST(ProfileRead, KeysBeforeFirstSectionHeaderTextAndBom) {
    TempDir d;
    std::string f = d.file("misc.ini");
    writeFile(f,
              "\xEF\xBB\xBF"
              "orphan=1\n"
              "[s] ; the section\n"
              "k=v\n"
              "[a]b] trailing\n"
              "x=y\n"
              "[unclosed\n"
              "[]\n"
              "z=1\n");
    EXPECT_EQ(sections(f), (Names{"s", "a]b"}));  // the unnamed section is not listed
    EXPECT_EQ(get(f, "s", "k"), "v");
    EXPECT_FALSE(has(f, "", "orphan"));
    EXPECT_EQ(get(f, "a]b", "x"), "y");
    // "[unclosed" is no header: an entry of the section above it.
    EXPECT_EQ(entries(f, "a]b"), (Names{"x=y", "[unclosed"}));
    EXPECT_EQ(get(f, "", "z"), "1");

    // A BOM followed directly by a header.
    writeFile(f, "\xEF\xBB\xBF[first]\nk=1\n");
    EXPECT_EQ(sections(f), Names{"first"});
    EXPECT_EQ(get(f, "first", "k"), "1");
}

TEST(ProfileRead, GbkBytesPassUnchangedAndCaseFoldsAsciiOnly) {
    TempDir d;
    std::string f = d.file("gbk.ini");
    std::string sec = kSettings + kBracketChar;  // the trail byte 0x5D must not close the header
    writeFile(f, "[" + sec + "]\n" + kBackslashChar + "=" + kBarChar + kAtChar + "\n" +
                     kUpperTrail + "Key=upper\n" + "Path=C:\\" + kBackslashChar + "\\x\n");
    EXPECT_EQ(sections(f), Names{sec});
    EXPECT_EQ(get(f, sec, kBackslashChar), kBarChar + kAtChar);
    EXPECT_EQ(get(f, sec, kUpperTrail + "KEY"), "upper");
    // 0xB5 0x61 is another character, although its trail byte is 'a' and 'A' folds to it.
    EXPECT_FALSE(has(f, sec, kLowerTrail + "key"));
    EXPECT_EQ(get(f, sec, "path"), "C:\\" + kBackslashChar + "\\x");
    // A lead byte followed by ']' is one character, so this header never closes.
    writeFile(f, "[x\x81]\nk=1\n");
    EXPECT_TRUE(sections(f).empty());
}

// ---------------------------------------------------------------------------------------------
// Buffer semantics of the Windows-style calls

TEST(ProfileBuffers, ValuesAndListsAreCutAsWindowsCutsThem) {
    TempDir d;
    std::string f = d.file("buf.ini");
    writeFile(f, "[one]\nkey=abcdef\nk2=x\n[two]\nz=1\n");
    char buf[16];
    EXPECT_EQ(pf::GetPrivateProfileStringA("one", "key", "", buf, 4, f.c_str()), 3u);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(pf::GetPrivateProfileStringA("one", "missing", "dflt  ", buf, 16, f.c_str()), 4u);
    EXPECT_STREQ(buf, "dflt");
    EXPECT_EQ(pf::GetPrivateProfileStringA("one", nullptr, "", buf, 16, f.c_str()), 7u);
    EXPECT_EQ(std::string(buf, 8), std::string("key\0k2\0\0", 8));
    EXPECT_EQ(pf::GetPrivateProfileStringA(nullptr, nullptr, "", buf, 16, f.c_str()), 8u);
    EXPECT_EQ(std::string(buf, 9), std::string("one\0two\0\0", 9));
    char big[32];
    EXPECT_EQ(pf::GetPrivateProfileSectionA("one", big, 32, f.c_str()), 16u);
    EXPECT_EQ(std::string(big, 17), std::string("key=abcdef\0k2=x\0\0", 17));
    // Too small: cut, two NULs at the end, size - 2.
    EXPECT_EQ(pf::GetPrivateProfileSectionA("one", buf, 16, f.c_str()), 14u);
    EXPECT_EQ(std::string(buf, 16), std::string("key=abcdef\0k2=\0\0", 16));
    EXPECT_EQ(pf::GetPrivateProfileSectionNamesA(buf, 6, f.c_str()), 4u);
    EXPECT_EQ(std::string(buf, 6), std::string("one\0\0\0", 6));
    EXPECT_EQ(pf::GetPrivateProfileSectionA("none", buf, 16, f.c_str()), 0u);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(pf::GetPrivateProfileStringA("one", "key", "", buf, 0, f.c_str()), 0u);
}

TEST(ProfileBuffers, FileAttributes) {
    TempDir d;
    std::string f = d.file("attr.ini");
    EXPECT_EQ(pf::GetFileAttributesA(f.c_str()), pf::INVALID_FILE_ATTRIBUTES_);
    EXPECT_EQ(pf::GetFileAttributesA(""), pf::INVALID_FILE_ATTRIBUTES_);
    writeFile(f, "");
    EXPECT_EQ(pf::GetFileAttributesA(f.c_str()) & pf::FILE_ATTRIBUTE_DIRECTORY_, 0u);
    EXPECT_NE(pf::GetFileAttributesA(d.path().c_str()) & pf::FILE_ATTRIBUTE_DIRECTORY_, 0u);
    EXPECT_EQ(pf::GetFileAttributesA("/dev/null"), pf::FILE_ATTRIBUTE_DEVICE_);
    // Windows separators.
    std::string win = d.path() + "\\attr.ini";
    EXPECT_EQ(pf::GetFileAttributesA(win.c_str()) & pf::FILE_ATTRIBUTE_NORMAL_,
              pf::FILE_ATTRIBUTE_NORMAL_);
}

// ---------------------------------------------------------------------------------------------
// Minimal rewrites

TEST(ProfileWrite, ChangesOnlyTheLinesItMust) {
    TempDir d;
    std::string f = d.file("w.ini");
    const std::string before =
        "; top comment\r\n"
        "\r\n"
        "[General]   ; trailing\r\n"
        "Name = old value\r\n"
        "  ; keep me\r\n"
        "Other=1\r\n"
        "\r\n"
        "; about next\r\n"
        "[Next]\r\n"
        "x=1\r\n";
    writeFile(f, before);
    set(f, "general", "NAME", "new");
    std::string expected = before;
    expected.replace(expected.find("Name = old value"), 16, "Name = new");
    EXPECT_EQ(readFile(f), expected);

    // A new key goes after the section's last entry, before the comment of the next section.
    set(f, "General", "Added", "2");
    expected.insert(expected.find("Other=1\r\n") + 9, "Added=2\r\n");
    EXPECT_EQ(readFile(f), expected);

    // A new section goes at the end.
    set(f, "New", "k", "v");
    expected += "[New]\r\nk=v\r\n";
    EXPECT_EQ(readFile(f), expected);

    // Deleting a key removes its line only.
    pf::WritePrivateProfileStringA("General", "other", nullptr, f.c_str());
    expected.erase(expected.find("Other=1\r\n"), 9);
    EXPECT_EQ(readFile(f), expected);

    // Deleting a section removes the header and its entries; the comment before the next
    // section stays.
    pf::WritePrivateProfileStringA("GENERAL", nullptr, nullptr, f.c_str());
    EXPECT_EQ(readFile(f),
              "; top comment\r\n\r\n\r\n; about next\r\n[Next]\r\nx=1\r\n[New]\r\nk=v\r\n");

    // Nothing to change: the file is not rewritten at all.
    struct stat st1, st2;
    ::stat(f.c_str(), &st1);
    pf::WritePrivateProfileStringA("missing", "k", nullptr, f.c_str());
    pf::WritePrivateProfileStringA("missing", nullptr, nullptr, f.c_str());
    set(f, "Next", "x", "1");
    ::stat(f.c_str(), &st2);
    EXPECT_EQ(st1.st_ino, st2.st_ino);
}

TEST(ProfileWrite, KeepsLineEndStyleBomAndMissingFinalLineEnd) {
    TempDir d;
    std::string f = d.file("e.ini");
    writeFile(f, "\xEF\xBB\xBF[s]\ra=1");
    set(f, "s", "b", "2");
    EXPECT_EQ(readFile(f), "\xEF\xBB\xBF[s]\ra=1\rb=2");
    set(f, "t", "c", "3");
    EXPECT_EQ(readFile(f), "\xEF\xBB\xBF[s]\ra=1\rb=2\r[t]\rc=3\r");

    writeFile(f, "[s]\nk=1\n");
    set(f, "s", "k2", "2");
    EXPECT_EQ(readFile(f), "[s]\nk=1\nk2=2\n");

    // A header that is the last line, without a line end.
    writeFile(f, "[s]");
    set(f, "s", "k", "v");
    EXPECT_EQ(readFile(f), "[s]\r\nk=v");

    // A new file uses CRLF.
    std::string g = d.file("new.ini");
    set(g, kSettings, kBackslashChar, kBarChar);
    EXPECT_EQ(readFile(g), "[" + kSettings + "]\r\n" + kBackslashChar + "=" + kBarChar + "\r\n");
    EXPECT_EQ(get(g, kSettings, kBackslashChar), kBarChar);
}

TEST(ProfileWrite, DuplicatesAndBareLines) {
    TempDir d;
    std::string f = d.file("dup.ini");
    writeFile(f, "[a]\nk=1\nk=2\nbare\n[a]\nk=3\n");
    set(f, "a", "K", "9");
    EXPECT_EQ(readFile(f), "[a]\nk=9\nk=2\nbare\n[a]\nk=3\n");
    set(f, "a", "bare", "now");
    EXPECT_EQ(readFile(f), "[a]\nk=9\nk=2\nbare=now\n[a]\nk=3\n");
    // Deleting a key removes every entry of it that lookups could see, so it reads as missing.
    pf::WritePrivateProfileStringA("a", "k", nullptr, f.c_str());
    EXPECT_EQ(readFile(f), "[a]\nbare=now\n[a]\nk=3\n");
    EXPECT_FALSE(has(f, "a", "k"));
    // Deleting a section removes all of its blocks.
    pf::WritePrivateProfileStringA("A", nullptr, nullptr, f.c_str());
    EXPECT_EQ(readFile(f), "");
}

TEST(ProfileWrite, RefusesTextThatWouldBreakTheFile) {
    TempDir d;
    std::string f = d.file("inj.ini");
    set(f, "s", "k", "line1\r\n[evil]\r\nx=1");
    EXPECT_EQ(get(f, "s", "k"), "line1");
    EXPECT_EQ(sections(f), Names{"s"});
    EXPECT_FALSE(pf::WritePrivateProfileStringA("s", "a\nb", "1", f.c_str()));
    EXPECT_FALSE(pf::WritePrivateProfileStringA("s\n[t]", "a", "1", f.c_str()));
    EXPECT_FALSE(pf::WritePrivateProfileStringA("s", "[t]", "1", f.c_str()));
    EXPECT_FALSE(pf::WritePrivateProfileStringA("s", ";c", "1", f.c_str()));
    EXPECT_FALSE(pf::WritePrivateProfileStringA("s", "k=x", "1", f.c_str()));
    EXPECT_EQ(readFile(f), "[s]\r\nk=line1\r\n");
    // Names are written without surrounding blanks.
    set(f, "  s ", "  spaced\t", "v");
    EXPECT_EQ(readFile(f), "[s]\r\nk=line1\r\nspaced=v\r\n");
}

// Random files built from awkward lines, random edits: an edit does what it says and leaves
// every other section as it was.
TEST(ProfileWrite, RandomEditsKeepOtherSections) {
    namespace prof = tq::os::profile;
    const std::vector<std::string> lines = {"[s]",
                                            "[ S ]",
                                            "[t] ; note",
                                            "[" + kSettings + "]",
                                            "k=1",
                                            "K = 2",
                                            "bare",
                                            "; k=commented",
                                            "",
                                            "[unclosed",
                                            kBackslashChar + "=x",
                                            "=noname",
                                            std::string("k=a\0b", 5),
                                            "  key two\t= \"q\" ",
                                            "#k=hash",
                                            "\t",
                                            "x=y=z"};
    const std::vector<std::string> eols = {"\n", "\r\n", "\r"};
    const std::vector<std::string> sectionsPool = {"s", "S", "t", kSettings, "new"};
    const std::vector<std::string> keysPool = {"k", "K", kBackslashChar, "key two", "fresh"};
    const std::vector<std::string> values = {"v", "1", kBarChar + kAtChar, "a b", "x=y", ""};
    std::mt19937 rng(2024);
    auto pick = [&](const std::vector<std::string>& v) { return v[rng() % v.size()]; };
    for (int round = 0; round < 3000; ++round) {
        std::string text = rng() % 4 == 0 ? "\xEF\xBB\xBF" : "";
        int n = static_cast<int>(rng() % 12);
        for (int i = 0; i < n; ++i)
            text += pick(lines) + (i + 1 < n || rng() % 2 ? pick(eols) : "");
        prof::Edit e;
        e.kind = static_cast<prof::Edit::Kind>(rng() % 3);
        e.section = pick(sectionsPool);
        e.key = pick(keysPool);
        e.value = pick(values);
        const std::string before = text;
        prof::ProfileText oldView(before);
        prof::applyEdit(text, e);
        prof::ProfileText view(text);
        std::string v;
        SCOPED_TRACE(testing::PrintToString(before) + " " + std::to_string(e.kind) + " " +
                     e.section + "/" + e.key);
        if (e.kind == prof::Edit::Set) {
            ASSERT_TRUE(view.value(e.section, e.key, v));
            EXPECT_EQ(v, e.value);
        } else if (e.kind == prof::Edit::DeleteKey) {
            EXPECT_FALSE(view.value(e.section, e.key, v));
        } else {
            EXPECT_TRUE(view.entries(e.section).empty());
        }
        for (const std::string& name : oldView.sectionNames()) {
            if (prof::namesEqual(name, e.section)) continue;
            EXPECT_EQ(view.entries(name), oldView.entries(name)) << name;
        }
        // The bytes before the first change are untouched (a BOM, leading comments...).
        if (text != before) {
            size_t same = 0;
            while (same < text.size() && same < before.size() && text[same] == before[same]) ++same;
            EXPECT_GE(same, prof::bomLength(before));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Files on disk

TEST(ProfileFiles, KeepsPermissionsAndWritesThroughLinks) {
    TempDir d;
    std::string f = d.file("perm.ini");
    writeFile(f, "[s]\nk=1\n");
    ::chmod(f.c_str(), 0640);
    set(f, "s", "k", "2");
    EXPECT_EQ(initest::fileMode(f), 0640);
    EXPECT_EQ(get(f, "s", "k"), "2");

    // A link (relative, through a second link) stays a link; its target changes.
    std::filesystem::create_directory(d.file("real"));
    std::string target = d.file("real/target.ini");
    writeFile(target, "[s]\nk=1\n");
    ::chmod(target.c_str(), 0600);
    ASSERT_EQ(::symlink("real/target.ini", d.file("link1.ini").c_str()), 0);
    ASSERT_EQ(::symlink("link1.ini", d.file("link2.ini").c_str()), 0);
    set(d.file("link2.ini"), "s", "k", "via link");
    EXPECT_TRUE(std::filesystem::is_symlink(d.file("link1.ini")));
    EXPECT_TRUE(std::filesystem::is_symlink(d.file("link2.ini")));
    EXPECT_EQ(readFile(target), "[s]\nk=via link\n");
    EXPECT_EQ(initest::fileMode(target), 0600);

    // A dangling link: the target is created.
    ASSERT_EQ(::symlink("real/created.ini", d.file("dangling.ini").c_str()), 0);
    set(d.file("dangling.ini"), "s", "k", "1");
    EXPECT_TRUE(std::filesystem::is_symlink(d.file("dangling.ini")));
    EXPECT_EQ(readFile(d.file("real/created.ini")), "[s]\r\nk=1\r\n");

    // No temporary file is left behind.
    for (const auto& e : std::filesystem::directory_iterator(d.file("real")))
        EXPECT_EQ(e.path().filename().string().find(".tqini-"), std::string::npos) << e.path();
}

TEST(ProfileFiles, RemovesTemporaryFilesOfKilledWriters) {
    TempDir d;
    std::string f = d.file("t.ini");
    writeFile(f, "[s]\nk=1\n");
    std::string stale = d.file(".t.ini.tqini-abc123");
    std::string other = d.file(".other.ini.tqini-abc123");
    writeFile(stale, "[half");
    writeFile(other, "[half");
    set(f, "s", "k", "2");
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(other));
}

TEST(ProfileFiles, PathsInGbkAndEmptyPaths) {
    TempDir d;
    std::string gbkName = d.path() + "\\" + kSettings + kBackslashChar + ".ini";
    set(gbkName, "s", "k", "v");
    std::string utf8 = d.path() + "/" + tq::text::gbkToUtf8(kSettings + kBackslashChar) + ".ini";
    EXPECT_EQ(readFile(utf8), "[s]\r\nk=v\r\n");
    EXPECT_EQ(get(gbkName, "s", "k"), "v");
    EXPECT_FALSE(pf::WritePrivateProfileStringA("s", "k", "v", ""));
    EXPECT_EQ(get("", "s", "k"), "");
    EXPECT_TRUE(sections("").empty());
}

// Runs `body` in a child process with the privileges of an ordinary user, so that permission
// bits apply even when the tests run as root. Returns the child's exit status (0 = passed).
template <class F>
int asOrdinaryUser(F body) {
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(90);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

TEST(ProfileFiles, UnreadableAndUnwritableFiles) {
    TempDir d;
    std::string noRead = d.file("noread.ini"), readOnly = d.file("readonly.ini");
    writeFile(noRead, "[s]\nk=secret\n");
    writeFile(readOnly, "[s]\nk=1\n");
    ::chmod(noRead.c_str(), 0000);
    ::chmod(readOnly.c_str(), 0444);
    std::string roDir = d.file("rodir");
    std::filesystem::create_directory(roDir);
    writeFile(roDir + "/in.ini", "[s]\nk=1\n");
    ::chmod((roDir + "/in.ini").c_str(), 0666);
    ::chmod(roDir.c_str(), 0555);
    int rc = asOrdinaryUser([&] {
        if (get(noRead, "s", "k") != "") return 1;
        if (!sections(noRead).empty()) return 2;
        // The folder is writable, but the file is not: it must not be replaced.
        if (pf::WritePrivateProfileStringA("s", "k", "2", readOnly.c_str())) return 3;
        if (pf::WritePrivateProfileStringA("s", nullptr, nullptr, readOnly.c_str())) return 4;
        if (get(readOnly, "s", "k") != "1") return 5;
        // A writable file in a folder where no temporary file can be made: left as it was.
        if (pf::WritePrivateProfileStringA("s", "k", "2", (roDir + "/in.ini").c_str())) return 6;
        if (get(roDir + "/in.ini", "s", "k") != "1") return 7;
        if (pf::WritePrivateProfileStringA("s", "k", "2", (roDir + "/new.ini").c_str())) return 8;
        return 0;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(readFile(readOnly), "[s]\nk=1\n");
    EXPECT_EQ(initest::fileMode(readOnly), 0444);
    EXPECT_FALSE(std::filesystem::exists(roDir + "/new.ini"));
    ::chmod(roDir.c_str(), 0755);
}

TEST(ProfileFiles, BadInputsNeverCrashOrHang) {
    TempDir d;
    // A folder, a device, an endless device and a pipe where the file should be.
    std::string fifo = d.file("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    for (std::string p : {d.path(), std::string("/dev/null"), std::string("/dev/zero"), fifo}) {
        EXPECT_TRUE(sections(p).empty()) << p;
        EXPECT_EQ(get(p, "s", "k"), "") << p;
        EXPECT_FALSE(pf::WritePrivateProfileStringA("s", "k", "v", p.c_str())) << p;
    }
    EXPECT_FALSE(std::filesystem::exists(d.file("fifo.ini/x")));

    // Binary garbage with NUL bytes and invalid GBK.
    std::string f = d.file("garbage.ini");
    std::mt19937 rng(7);
    std::string junk(200000, '\0');
    for (char& c : junk) c = static_cast<char>(rng() & 0xFF);
    writeFile(f, junk);
    (void)sections(f);
    (void)entries(f, "x");
    set(f, "s", "k", "v");
    EXPECT_EQ(get(f, "s", "k"), "v");
    std::string after = readFile(f);
    EXPECT_EQ(after.substr(0, junk.size()), junk);  // the garbage is kept byte for byte

    // NUL bytes cut a line for reading but stay in the file.
    writeFile(f, std::string("[s]\nk=ab\0cd\nj=1\n", 16));
    EXPECT_EQ(get(f, "s", "k"), "ab");
    set(f, "s", "j", "2");
    EXPECT_EQ(readFile(f), std::string("[s]\nk=ab\0cd\nj=2\n", 16));

    // A line of several megabytes, and a megabyte-long value with no line end at all.
    std::string big(3 << 20, 'x');
    writeFile(f, "[s]\nlong=" + big + "\nk=1\n[t]\nv=" + big);
    EXPECT_EQ(get(f, "s", "k"), "1");
    std::string v;
    EXPECT_TRUE(pf::ProfileSnapshot::read(f).value("t", "v", v));
    EXPECT_EQ(v.size(), big.size());
    set(f, "t", "w", "2");
    EXPECT_EQ(get(f, "t", "w"), "2");
}

// ---------------------------------------------------------------------------------------------
// Several writers

TEST(ProfileConcurrency, EightProcessesLoseNoKey) {
    TempDir d;
    std::string f = d.file("shared.ini");
    const int procs = 8, perProc = 500;
    std::vector<pid_t> kids;
    for (int p = 0; p < procs; ++p) {
        pid_t pid = ::fork();
        if (pid == 0) {
            for (int i = 0; i < perProc; ++i) {
                std::string section = "p" + std::to_string(p % 3);
                std::string key = "w" + std::to_string(p) + "_" + std::to_string(i);
                if (!pf::WritePrivateProfileStringA(section.c_str(), key.c_str(),
                                                    std::to_string(i).c_str(), f.c_str()))
                    ::_exit(1);
            }
            ::_exit(0);
        }
        kids.push_back(pid);
    }
    for (pid_t pid : kids) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    pf::ProfileSnapshot s = pf::ProfileSnapshot::read(f);
    size_t total = 0;
    for (const auto& name : s.sectionNames()) total += s.keyNames(name).size();
    EXPECT_EQ(total, size_t{procs * perProc});
    EXPECT_EQ(s.sectionNames().size(), 3u);
    std::string v;
    for (int p = 0; p < procs; ++p)
        for (int i = 0; i < perProc; i += 37) {
            ASSERT_TRUE(s.value("p" + std::to_string(p % 3),
                                "w" + std::to_string(p) + "_" + std::to_string(i), v));
            EXPECT_EQ(v, std::to_string(i));
        }
}

TEST(ProfileConcurrency, WriterKilledAtAnyMomentLeavesAWholeFile) {
    TempDir d;
    std::string f = d.file("kill.ini");
    // 300 keys with 60-byte values: every complete file holds all of them.
    const int nkeys = 300;
    std::string seed;
    for (int s = 0; s < 10; ++s) {
        seed += "[s" + std::to_string(s) + "]\n";
        for (int i = s; i < nkeys; i += 10) seed += "k" + std::to_string(i) + "=0\n";
    }
    writeFile(f, seed);
    std::mt19937 rng(42);
    int midWrite = 0;  // kills that hit a writer between its temporary file and the rename
    for (int round = 0; round < 25; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        pid_t pid = ::fork();
        if (pid == 0) {
            ::close(ready[0]);
            for (unsigned n = 0;; ++n) {
                if (n == 1) {  // one write done: the child is up to speed
                    ::write(ready[1], "r", 1);
                    ::close(ready[1]);
                }
                int i = static_cast<int>(n % nkeys);
                std::string v(60, static_cast<char>('a' + n % 26));
                pf::WritePrivateProfileStringA(("s" + std::to_string(i % 10)).c_str(),
                                               ("k" + std::to_string(i)).c_str(), v.c_str(),
                                               f.c_str());
            }
        }
        ::close(ready[1]);
        char c;
        ASSERT_EQ(::read(ready[0], &c, 1), 1);
        ::close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(200 + rng() % 3000));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        for (const auto& e : std::filesystem::directory_iterator(d.path()))
            if (e.path().filename().string().find(".tqini-") != std::string::npos) {
                ++midWrite;
                break;
            }
        pf::ProfileSnapshot s = pf::ProfileSnapshot::read(f);
        int found = 0;
        std::string v;
        for (int i = 0; i < nkeys; ++i)
            if (s.value("s" + std::to_string(i % 10), "k" + std::to_string(i), v) &&
                (v == "0" || v.size() == 60))
                ++found;
        ASSERT_EQ(found, nkeys) << "round " << round;
        ASSERT_EQ(s.bytes().back(), '\n');
    }
    EXPECT_GT(midWrite, 0);
    // The next write cleans up whatever temporary file the last kill left.
    pf::WritePrivateProfileStringA("s0", "k0", "done", f.c_str());
    int temps = 0;
    for (const auto& e : std::filesystem::directory_iterator(d.path()))
        if (e.path().filename().string().find(".tqini-") != std::string::npos) ++temps;
    EXPECT_EQ(temps, 0);
}

}  // namespace
