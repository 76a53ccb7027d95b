// The private-profile engine: edits on random files, files on disk (links,
// permissions, failures, special files, limits) and several writers, also killed ones. The reading
// and editing rules and the buffers of the profile operations are the golden files
// (ini_golden_test.cpp).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "os/profile.h"
#include "os/replace_file.h"
#include "support/os_support.h"
#include "support/require.h"
#include "text/text.h"
#include "tqtool/inifile.h"
#include "tqtool/limits.h"

namespace {

using namespace std::string_literals;
using ostest::writeFile;
using tq::CIniFileNew;
using Words = std::vector<std::string>;
namespace pf = tq::os;
namespace prof = tq::os::profile;

// On tmpfs when there is one (the concurrency tests flush often), open to the unprivileged user
// of the permission test.
struct TempDir : ostest::TempDir {
    TempDir() : ostest::TempDir(kInMemory | kOpenToAll) {}
};

std::string slurp(const std::string& path) {
    return ostest::readFile(path).value_or("");
}
bool set(const std::string& path, const char* section, const char* key, const char* value) {
    return pf::WritePrivateProfileStringA(section, key, value, path.c_str());
}
// Names in `dir` of the temporary files that writers make beside their targets.
int temporaries(const std::string& dir) {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        n += e.path().filename().string().find(".tq-") != std::string::npos;
    return n;
}

// How long a test waits for a child's message or end: far longer than any step takes (a few
// milliseconds); reached only when a child hangs, and then the test fails instead of hanging.
constexpr int kWaitMs = 30000;

// Reads one byte from `fd`; false when none came within kWaitMs.
bool receive(int fd) {
    struct pollfd p = {fd, POLLIN, 0};
    char c;
    return ::poll(&p, 1, kWaitMs) == 1 && ::read(fd, &c, 1) == 1;
}

// A forked child that runs `body` and exits with its result. A pipe that only the child holds
// open tells the parent when it ended, so waiting for it is bounded.
class Child {
  public:
    template <class F>
    explicit Child(F body) {
        int done[2];
        if (::pipe(done) != 0) return;
        if ((pid_ = ::fork()) == 0) {
            ::close(done[0]);
            ::_exit(body());
        }
        ::close(done[1]);
        done_ = done[0];
    }
    ~Child() {
        kill();
        ::close(done_);
    }
    // The child's exit status once it ended; -1 when it did not end in time or died of a signal.
    int wait() {
        struct pollfd p = {done_, POLLIN, 0};
        int status = 0;
        if (pid_ <= 0 || ::poll(&p, 1, kWaitMs) != 1 || ::waitpid(pid_, &status, 0) != pid_)
            return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void kill() {
        if (pid_ > 0 && ::kill(pid_, SIGKILL) == 0) ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    pid_t pid_ = -1;
    int done_ = -1;
};

Words split(const std::string& s) {
    Words out;
    std::istringstream in(s);
    for (std::string w; std::getline(in, w, '|');) out.push_back(w);
    return out;
}

// Random files built from awkward lines, random edits: an edit does what it says, leaves every
// other section as it was, and does the same to the file's UTF-16 form.
TEST(ProfileWrite, RandomEditsKeepOtherSectionsInGbkAndUtf16) {
    const auto lines = split(
                   "[s]|[ S ]|[t] ; note|[\xc9\xe8]|k=1|K = 2|bare|; k=||[unclosed|\xb5\x5c=x"
                   "|=no|#k=hash|\t|x=y=z|k=a\0b"s),
               eols = split("\n|\r\n|\r"), names = split("s|S|t|new"),
               keys = split("k|K|\xb5\x5c|fresh"), values = split("|v|\xc9\xe8|a b");
    std::mt19937 rng(2024);
    auto pick = [&](const Words& v) { return v[rng() % v.size()]; };
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

// As an ordinary user (root ignores permission bits): what cannot be written reports false.
TEST(ProfileFiles, UnreadableAndUnwritableFilesAndFolders) {
    TempDir d;
    const std::string noRead = d.path() + "/noread.ini", ro = d.path() + "/readonly.ini",
                      roDir = d.path() + "/rodir", inRoDir = roDir + "/in.ini";
    ASSERT_EQ(::mkdir(roDir.c_str(), 0777), 0);
    for (const std::string& f : {noRead, ro, inRoDir}) writeFile(f, "[s]\nk=1\n");
    ::chmod(noRead.c_str(), 0);
    ::chmod(ro.c_str(), 0444);
    ::chmod(inRoDir.c_str(), 0666);
    ::chmod(roDir.c_str(), 0555);
    Child user([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 90;
        CIniFileNew readOnly(ro, false);
        if (CIniFileNew(noRead, false).GetNumKeys() != 0) return 1;
        if (readOnly.SetValue("s", "k", "2", true) || readOnly.DeleteKey("s")) return 2;
        // Already as asked: nothing needs writing.
        if (!readOnly.DeleteValue("s", "missing") || !readOnly.SetValue("s", "k", "1", true))
            return 3;
        // A writable file, and a new one, in a folder where no temporary file can be made.
        return CIniFileNew(inRoDir, false).SetValueI("s", "k", 2, true) ||
                       CIniFileNew(roDir + "/new.ini", false).SetValue("s", "k", "2", true)
                   ? 4
                   : 0;
    });
    EXPECT_EQ(user.wait(), 0);
    EXPECT_EQ(slurp(ro) + slurp(inRoDir), "[s]\nk=1\n[s]\nk=1\n");
    EXPECT_FALSE(std::filesystem::exists(roDir + "/new.ini"));
}

// A full disk and a read-only file system: a small tmpfs in a private mount namespace.
TEST(ProfileFiles, FullDiskAndReadOnlyFileSystem) {
    TempDir d;
    const std::string f = d.path() + "/full.ini", fresh = d.path() + "/new.ini";
    ostest::Isolated r = ostest::RunIsolated("", [&](ostest::Checks& check) {
        check(::mount("tqini", d.path().c_str(), "tmpfs", 0, "size=64k") == 0, "tmpfs mount");
        writeFile(f, "[s]\r\nk=1\r\n");
        std::ofstream(d.path() + "/filler") << std::string(1 << 20, 'x');  // fills the disk
        CIniFileNew ini(f, false);
        check(!ini.SetValue("s", "k", "2", true) && slurp(f) == "[s]\r\nk=1\r\n", "full: written");
        check(!CIniFileNew(fresh, false).SetValue("s", "k", "v", true), "full: created");
        check(!std::filesystem::exists(fresh) && temporaries(d.path()) == 0, "full: files left");
        check(::mount(nullptr, d.path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0,
              "read-only remount");
        check(!ini.SetValueF("s", "k", 3, true) && ini.DeleteValue("s", "missing"), "read-only");
    });
    TQ_REQUIRE(r.ran, "a private mount namespace: " + r.failures);
    EXPECT_EQ(r.failures, "");
}

TEST(ProfileFiles, SpecialFilesAreNeverReadOrWritten) {
    TempDir d;
    std::string fifo = d.path() + "/fifo.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    for (std::string p : {d.path(), "/dev/null"s, "/dev/zero"s, fifo})
        EXPECT_FALSE(CIniFileNew(p, false).GetNumKeys() != 0 || set(p, "s", "k", "v") ||
                     set(p, "s", "k", nullptr))
            << p;
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
    EXPECT_TRUE(CIniFileNew(f, false).GetKeyValue("s", "k").empty() && !set(f, "s", "k", "1"));
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

// At each moment the parent checks the lock, and that a writer of a file whose name begins with
// the same 210 bytes leaves the killed writer's temporary file alone.
TEST(ProfileConcurrency, WriterKilledAtEveryMomentLeavesAWholeFile) {
    TempDir d;
    const std::string f = d.path() + "/" + std::string(210, 'n') + "a.ini",
                      sibling = d.path() + "/" + std::string(210, 'n') + "b.ini",
                      before = "[s]\r\nk=old\r\n";
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
        const int fd = ::open(f.c_str(), O_RDONLY | O_CLOEXEC);
        EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB) != 0, moment < renamed);
        ::close(fd);
        writer.kill();
        EXPECT_EQ(slurp(f), moment == renamed ? "[s]\r\nk=new\r\n" : before);
        const int left = moment > 0 && moment < renamed;
        EXPECT_TRUE(set(sibling, "s", "k", std::to_string(moment).c_str()));  // a change
        EXPECT_EQ(temporaries(d.path()), left);
        EXPECT_TRUE(set(f, "s", "next", "1"));  // removes what the killed writer left
        EXPECT_EQ(temporaries(d.path()), 0);
    }
}

// Whatever the order of their writes, two writers of one file lose nothing.
TEST(ProfileConcurrency, TwoWritersOfOneFileLoseNothing) {
    TempDir d;
    const std::string f = d.path() + "/both.ini";
    auto writer = [&](char w) {
        for (int i = 0; i < 100; ++i)
            if (!set(f, "s", (w + std::to_string(i)).c_str(), "v")) return 1;
        return 0;
    };
    Child a([&] { return writer('a'); }), b([&] { return writer('b'); });
    EXPECT_EQ(a.wait(), 0);
    EXPECT_EQ(b.wait(), 0);
    EXPECT_EQ(pf::ProfileSnapshot::read(f).keyNames("s").size(), 200u);
}

}  // namespace
