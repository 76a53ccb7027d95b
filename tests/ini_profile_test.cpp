// The private-profile engine: buffer semantics, edits on random files, files on disk (links,
// permissions, failures, special files, limits) and several writers, also killed ones. The reading
// and editing rules themselves are the golden files (ini_golden_test.cpp).
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <fstream>
#include <random>

#include "os/profile.h"
#include "os/replace_file.h"
#include "support/ini_util.h"
#include "support/require.h"
#include "text/text.h"
#include "tqtool/inifile.h"
#include "tqtool/limits.h"

namespace {

using namespace std::string_literals;
using namespace initest;
using tq::CIniFileNew;
namespace pf = tq::os;
namespace prof = tq::os::profile;

std::string get(const std::string& path, const char* section, const char* key) {
    char buf[4096];
    pf::GetPrivateProfileStringA(section, key, "", buf, sizeof buf, path.c_str());
    return buf;
}
bool set(const std::string& path, const char* section, const char* key, const char* value) {
    return pf::WritePrivateProfileStringA(section, key, value, path.c_str());
}

TEST(ProfileBuffers, ValuesAndListsAreCutAsWindowsCutsThem) {
    TempDir d;
    std::string f = d.path() + "/buf.ini";
    writeFile(f, "[one]\nkey=abcdef\nk2=x\n[two]\nz=1\n");
    char buf[16];
    EXPECT_EQ(pf::GetPrivateProfileStringA("one", "key", "", buf, 4, f.c_str()), 3u);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(pf::GetPrivateProfileStringA("one", "missing", "dflt  ", buf, 16, f.c_str()), 4u);
    EXPECT_STREQ(buf, "dflt");
    EXPECT_EQ(pf::GetPrivateProfileStringA("one", nullptr, "", buf, 16, f.c_str()), 7u);
    EXPECT_EQ(std::string(buf, 8), "key\0k2\0\0"s);
    EXPECT_EQ(pf::GetPrivateProfileStringA(nullptr, nullptr, "", buf, 16, f.c_str()), 8u);
    EXPECT_EQ(std::string(buf, 9), "one\0two\0\0"s);
    char big[32];
    EXPECT_EQ(pf::GetPrivateProfileSectionA("one", big, 32, f.c_str()), 16u);
    EXPECT_EQ(std::string(big, 17), "key=abcdef\0k2=x\0\0"s);
    // Too small: cut, two NULs at the end, size - 2.
    EXPECT_EQ(pf::GetPrivateProfileSectionA("one", buf, 16, f.c_str()), 14u);
    EXPECT_EQ(std::string(buf, 16), "key=abcdef\0k2=\0\0"s);
    EXPECT_EQ(pf::GetPrivateProfileSectionNamesA(buf, 6, f.c_str()), 4u);
    EXPECT_EQ(std::string(buf, 6), "one\0\0\0"s);
    EXPECT_EQ(pf::GetPrivateProfileStringA("one", "key", "", buf, 0, f.c_str()), 0u);
}

TEST(ProfileBuffers, FileAttributes) {
    TempDir d;
    EXPECT_EQ(pf::GetFileAttributesA((d.path() + "/a.ini").c_str()), pf::INVALID_FILE_ATTRIBUTES_);
    writeFile(d.path() + "/a.ini", "");
    EXPECT_EQ(pf::GetFileAttributesA((d.path() + "\\a.ini").c_str()), pf::FILE_ATTRIBUTE_NORMAL_);
    EXPECT_EQ(pf::GetFileAttributesA(d.path().c_str()), pf::FILE_ATTRIBUTE_DIRECTORY_);
    EXPECT_EQ(pf::GetFileAttributesA("/dev/null"), pf::FILE_ATTRIBUTE_DEVICE_);
}

std::vector<std::string> split(const std::string& s) {
    std::vector<std::string> out(1);
    for (char c : s)
        if (c == '|')
            out.emplace_back();
        else
            out.back().push_back(c);
    return out;
}

// Random files built from awkward lines, random edits: an edit does what it says, leaves every
// other section as it was, and does the same to the file's UTF-16 form.
TEST(ProfileWrite, RandomEditsKeepOtherSectionsInGbkAndUtf16) {
    const auto lines = split(
                   "[s]|[ S ]|[t] ; note|[\xc9\xe8]|k=1|K = 2|bare|; k=||[unclosed|\xb5\x5c=x"
                   "|=no|#k=hash|\t|x=y=z|k=a\0b"s),
               eols = split("\n|\r\n|\r"), names = split("s|S|t|new"),
               keys = split("k|K|\xb5\x5c|fresh"), values = split("v|\xc9\xe8|a b|");
    std::mt19937 rng(2024);
    auto pick = [&](const std::vector<std::string>& v) { return v[rng() % v.size()]; };
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        for (int i = 0, n = static_cast<int>(rng() % 12); i < n; ++i)
            text += pick(lines) + (i + 1 < n || rng() % 2 ? pick(eols) : "");
        prof::Edit e{static_cast<prof::Edit::Kind>(rng() % 3), pick(names), pick(keys),
                     pick(values)};
        const std::string before = text;
        std::u16string u16;
        ASSERT_TRUE(tq::text::gbkToUtf16(before, u16));
        std::string wide = "\xFF\xFE" + std::string(reinterpret_cast<const char*>(u16.data()),
                                                    2 * u16.size());  // little-endian host
        prof::applyEdit(text, e);
        prof::editFile(wide, {e});
        SCOPED_TRACE(testing::PrintToString(before) + " " + std::to_string(e.kind) + " " +
                     e.section + "/" + e.key);
        EXPECT_EQ(prof::decodeFile(wide), text);
        prof::ProfileText oldView(before), view(text);
        std::string v;
        if (e.kind == prof::Edit::Set)
            EXPECT_TRUE(view.value(e.section, e.key, v) && v == e.value);
        else if (e.kind == prof::Edit::DeleteKey)
            EXPECT_FALSE(view.value(e.section, e.key, v));
        else
            EXPECT_TRUE(view.entries(e.section).empty());
        for (const std::string& name : oldView.sectionNames()) {
            if (prof::namesEqual(name, e.section)) continue;
            EXPECT_EQ(view.entries(name), oldView.entries(name)) << name;
        }
    }
}

TEST(ProfileFiles, KeepsPermissionsWritesThroughLinksRewritesOnlyOnChange) {
    TempDir d;
    const std::string target = d.path() + "/real/target.ini";
    ASSERT_EQ(::mkdir((d.path() + "/real").c_str(), 0755), 0);
    writeFile(target, "[s]\nk=1\n");
    ::chmod(target.c_str(), 0640);
    // A link (relative, through a second link) stays a link; its target changes.
    ASSERT_EQ(::symlink("real/target.ini", (d.path() + "/link1.ini").c_str()), 0);
    ASSERT_EQ(::symlink("link1.ini", (d.path() + "/link2.ini").c_str()), 0);
    EXPECT_TRUE(set(d.path() + "/link2.ini", "s", "k", "via link"));
    EXPECT_TRUE(std::filesystem::is_symlink(d.path() + "/link1.ini"));
    EXPECT_EQ(slurp(target), "[s]\nk=via link\n");
    struct stat st, again;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // Nothing to change: the file is not replaced.
    EXPECT_TRUE(set(target, "s", "k", "via link") && set(target, "missing", "k", nullptr));
    ASSERT_EQ(::stat(target.c_str(), &again), 0);
    EXPECT_EQ(again.st_ino, st.st_ino);
    // A dangling link: its target is created.
    ASSERT_EQ(::symlink("real/created.ini", (d.path() + "/dangling.ini").c_str()), 0);
    EXPECT_TRUE(set(d.path() + "/dangling.ini", "s", "k", "1"));
    EXPECT_EQ(slurp(d.path() + "/real/created.ini"), "[s]\r\nk=1\r\n");
    EXPECT_EQ(temporaries(d.path() + "/real"), 0);
}

TEST(ProfileFiles, PathsInGbk) {
    TempDir d;
    EXPECT_TRUE(set(d.path() + "\\\xc9\xe8\xd6\xc3\xb5\x5c.ini", "s", "k", "v"));  // 设置礬
    EXPECT_EQ(slurp(d.path() + "/\xe8\xae\xbe\xe7\xbd\xae\xe7\xa4\xac.ini"), "[s]\r\nk=v\r\n");
}

// As an ordinary user (root ignores permission bits): what cannot be written reports false.
TEST(ProfileFiles, UnreadableAndUnwritableFilesAndFolders) {
    TempDir d;
    const std::string ro = d.path() + "/readonly.ini", roDir = d.path() + "/rodir";
    writeFile(d.path() + "/noread.ini", "[s]\nk=secret\n");
    writeFile(ro, "[s]\nk=1\n");
    ASSERT_EQ(::mkdir(roDir.c_str(), 0777), 0);
    writeFile(roDir + "/in.ini", "[s]\nk=1\n");
    ::chmod(d.path().c_str(), 0777);
    ::chmod((d.path() + "/noread.ini").c_str(), 0000);
    ::chmod(ro.c_str(), 0444);
    ::chmod((roDir + "/in.ini").c_str(), 0666);
    ::chmod(roDir.c_str(), 0555);
    Child user([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 90;
        CIniFileNew readOnly(ro, false), inRoDir(roDir + "/in.ini", false);
        if (CIniFileNew(d.path() + "/noread.ini", false).GetNumKeys() != 0) return 1;
        if (readOnly.SetValue("s", "k", "2", true) || readOnly.DeleteKey("s")) return 2;
        // Already as asked: nothing needs writing.
        if (!readOnly.DeleteValue("s", "missing") || !readOnly.SetValue("s", "k", "1", true))
            return 3;
        // A writable file in a folder where no temporary file can be made.
        if (inRoDir.SetValueI("s", "k", 2, true)) return 4;
        if (CIniFileNew(roDir + "/new.ini", false).SetValue("s", "k", "2", true)) return 5;
        return 0;
    });
    EXPECT_EQ(user.wait(), 0);
    EXPECT_EQ(slurp(ro) + slurp(roDir + "/in.ini"), "[s]\nk=1\n[s]\nk=1\n");
    EXPECT_FALSE(std::filesystem::exists(roDir + "/new.ini"));
}

// A full disk and a read-only file system: a small tmpfs in a private mount namespace.
TEST(ProfileFiles, FullDiskAndReadOnlyFileSystem) {
    TempDir d;
    const std::string f = d.path() + "/full.ini", fresh = d.path() + "/new.ini";
    Child ns([&] {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tqini", d.path().c_str(), "tmpfs", 0, "size=64k") != 0)
            return 90;
        writeFile(f, "[s]\r\nk=1\r\n");
        std::ofstream(d.path() + "/filler") << std::string(1 << 20, 'x');  // fills the disk
        CIniFileNew ini(f, false);
        if (ini.SetValue("s", "k", "2", true) || slurp(f) != "[s]\r\nk=1\r\n") return 1;
        if (CIniFileNew(fresh, false).SetValue("s", "k", "v", true)) return 2;
        if (std::filesystem::exists(fresh) || temporaries(d.path()) != 0) return 3;
        if (::mount(nullptr, d.path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            return 91;
        if (ini.SetValueF("s", "k", 3, true) || !ini.DeleteValue("s", "missing")) return 4;
        return 0;
    });
    const int rc = ns.wait();
    TQ_REQUIRE(rc != 90 && rc != 91, "root in a mount namespace (unshare, tmpfs)");
    EXPECT_EQ(rc, 0);
}

TEST(ProfileFiles, SpecialFilesAreNeverReadOrWritten) {
    TempDir d;
    std::string fifo = d.path() + "/fifo.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    for (std::string p : {d.path(), "/dev/null"s, "/dev/zero"s, fifo}) {
        CIniFileNew ini(p, false);
        EXPECT_EQ(ini.GetNumKeys(), 0) << p;
        EXPECT_FALSE(ini.SetValue("s", "k", "v", true) || ini.DeleteValue("s", "k")) << p;
    }
}

TEST(ProfileFiles, SizeLimitIsTheLibraryLimit) {
    TempDir d;
    const std::string f = d.path() + "/limit.ini", text = "[s]\nk=" + std::string(80, 'v') + "\n";
    writeFile(f, text);
    const tq::Limits saved = tq::GetLimits();
    tq::Limits small = saved;
    small.maxIniBytes = 100;
    tq::SetLimits(small);
    EXPECT_FALSE(set(f, "s", "grow", "past the limit"));
    small.maxIniBytes = 50;
    tq::SetLimits(small);
    EXPECT_TRUE(get(f, "s", "k").empty() && !set(f, "s", "k", "1"));
    tq::SetLimits(saved);
    EXPECT_EQ(slurp(f), text);
}

// The writer's moments in order: 0 the lock is held, 1 + ReplacePoint after it.
int g_stopAt = -1, g_tell = -1;
void stopHere(int moment) {
    if (moment != g_stopAt) return;
    (void)!::write(g_tell, "!", 1);
    ::raise(SIGSTOP);  // until the parent kills it
}

TEST(ProfileConcurrency, WriterKilledAtEveryMomentLeavesAWholeFile) {
    TempDir d;
    const std::string f = d.path() + "/kill.ini", before = "[s]\r\nk=old\r\n";
    const int renamed = 1 + static_cast<int>(pf::ReplacePoint::AfterRename);
    for (int moment = 0; moment <= renamed; ++moment) {
        SCOPED_TRACE("moment " + std::to_string(moment));
        writeFile(f, before);
        int tell[2];
        ASSERT_EQ(::pipe(tell), 0);
        Child writer([&] {
            g_stopAt = moment;
            g_tell = tell[1];
            pf::SetProfileLockHook([](const std::string&) { stopHere(0); });
            pf::SetReplaceHook(
                [](pf::ReplacePoint p, const std::string&) { stopHere(1 + int(p)); });
            return set(f, "s", "k", "new") ? 0 : 1;
        });
        ::close(tell[1]);
        ASSERT_TRUE(receive(tell[0])) << "the writer did not reach the moment";
        ::close(tell[0]);
        writer.kill();
        EXPECT_EQ(slurp(f), moment == renamed ? "[s]\r\nk=new\r\n" : before);
        EXPECT_EQ(temporaries(d.path()), moment > 0 && moment < renamed ? 1 : 0);
        // The next write removes the temporary file the killed writer left.
        EXPECT_TRUE(set(f, "s", "next", "1"));
        EXPECT_EQ(temporaries(d.path()), 0);
    }
}

// Two writers set 60 keys each, alternating between two files whose names begin with the same
// 210 bytes. Writer A's first write stops with its temporary file made until B has written once
// (and so cleaned up the stale temporaries of its own file); then both go on side by side.
int g_paused = -1, g_go = -1;
void pauseOnce(pf::ReplacePoint p, const std::string&) {
    if (p != pf::ReplacePoint::TempCreated || g_paused < 0) return;
    (void)!::write(g_paused, "p", 1);
    g_paused = -1;
    receive(g_go);
}

TEST(ProfileConcurrency, WritersOfFilesWithALongCommonNameLoseNothing) {
    TempDir d;
    const std::string files[2] = {d.path() + "/" + std::string(210, 'n') + "a.ini",
                                  d.path() + "/" + std::string(210, 'n') + "b.ini"};
    int paused[2], go[2], started[2];
    ASSERT_TRUE(::pipe(paused) == 0 && ::pipe(go) == 0 && ::pipe(started) == 0);
    auto writer = [&](int w) {
        g_paused = w == 0 ? paused[1] : -1;
        g_go = go[0];
        pf::SetReplaceHook(pauseOnce);
        for (int i = 0; i < 60; ++i) {
            std::string key = "w" + std::to_string(w) + "_" + std::to_string(i);
            if (!set(files[(i + w) % 2], "s", key.c_str(), "v")) return 1;
            if (i == 0 && w == 1) (void)!::write(started[1], "s", 1);
        }
        return 0;
    };
    Child a([&] { return writer(0); });
    ASSERT_TRUE(receive(paused[0])) << "writer A did not start";
    Child b([&] { return writer(1); });
    ASSERT_TRUE(receive(started[0])) << "writer B did not start";
    ASSERT_EQ(::write(go[1], "g", 1), 1);
    EXPECT_EQ(a.wait(), 0);
    EXPECT_EQ(b.wait(), 0);
    for (const std::string& f : files)
        EXPECT_EQ(pf::ProfileSnapshot::read(f).keyNames("s").size(), 60u) << f;
    for (int fd : {paused[0], paused[1], go[0], go[1], started[0], started[1]}) ::close(fd);
}

}  // namespace
