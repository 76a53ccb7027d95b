// Files, folders and processes: GBK paths in Windows form against the real file system, folder
// copies and clean-ups that never leave their tree or their file system, and programs started
// without a shell and without becoming our children.
#include "tqtool/fileutil.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <future>

#include "os/process.h"
#include "support/os_support.h"
#include "support/require.h"
#include "util/fileutil_result.h"

namespace fs = std::filesystem;
using namespace ostest;
using Strings = std::vector<std::string>;

namespace {

// True while this process has a child, running or ended but not reaped.
bool haveChildren() {
    return !(::waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD);
}

int cmdExec(std::string line, bool inherit = false) {
    return inherit ? tq::Cmd(line.data()) : tq::CmdExec(line.data());
}

Strings sorted(Strings s) {
    std::sort(s.begin(), s.end());
    return s;
}

}  // namespace

TEST(FileUtil, FilesAndFoldersAreToldApart) {
    TempDir tmp;
    // A folder whose name ends in a character with trail byte '\': never cut as a separator.
    const std::string dir = win(tmp.path()) + "\\" + kGbkData + kGbkFan;
    fs::create_directory(tmp.file(kUtf8Data + kUtf8Fan));
    writeFile(tmp.file(kUtf8Data + kUtf8Fan + "/" + kUtf8Kan), "x");
    ASSERT_EQ(::mkfifo(tmp.file("pipe").c_str(), 0600), 0);  // opened without blocking
    // Each path with what IsFileExist and IsDirectory say of it.
    const std::pair<std::string, const char*> cases[] = {{dir + "\\" + kGbkKan, "10"},
                                                         {dir, "01"},
                                                         {dir + "\\", "01"},
                                                         {dir + "/", "01"},
                                                         {dir + "\\x", "00"},
                                                         {dir.substr(0, dir.size() - 1), "00"},
                                                         {tmp.file("pipe"), "10"},
                                                         {"\\", "01"},
                                                         {"", "00"}};
    for (const auto& [path, want] : cases)
        EXPECT_EQ(std::to_string(tq::IsFileExist(path)) + std::to_string(tq::IsDirectory(path)),
                  want)
            << path;
}

TEST(FileUtil, GetFileDirSplitsAtTheLastRealSeparator) {
    TempDir tmp;
    fs::create_directories(tmp.file(kUtf8Data));
    fs::create_directories(tmp.file("v1.0"));
    for (const std::string& name : Strings{"m.txt", "README", "x" + kUtf8Fan + ".tar.gz"})
        writeFile(tmp.file(kUtf8Data + "/" + name), "");
    writeFile(tmp.file("v1.0/LICENSE"), "");
    const std::string d = win(tmp.path()) + "\\" + kGbkData + "\\", t = tmp.path();
    // Each path, with or without the extension, and the folder and name that come back ("|").
    const std::tuple<std::string, bool, std::string> cases[] = {
        {d + "m.txt", false, d + "|m"},
        {d + "m.txt", true, d + "|m.txt"},
        {d + "x" + kGbkFan + ".tar.gz", false, d + "|x" + kGbkFan + ".tar"},
        {d + "README", false, d + "|"},
        {t + "/v1.0\\LICENSE", false, t + "/v1.0\\|"},
        {d + "missing.txt", true, "|untouched"},
        {d, true, "|untouched"},
        {"", true, "|untouched"}};
    for (const auto& [path, ext, want] : cases) {
        std::string name = "untouched";
        EXPECT_EQ(tq::GetFileDir(path, name, ext) + "|" + name, want) << path;
    }
}

TEST(FileUtil, GetCurPathIsTheFolderOfTheModule) {
    // Linked in statically, the module is this program; in the shared library, its file.
    EXPECT_EQ(tq::GetCurPath(), fs::canonical("/proc/self/exe").parent_path().string() + "/");
    void* lib = ::dlopen(TQTEST_BINARY_DIR "/libtqtool100.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << ::dlerror();
    auto fn = reinterpret_cast<std::string (*)()>(::dlsym(lib, "_ZN2tq10GetCurPathB5cxx11Ev"));
    ASSERT_NE(fn, nullptr);
    EXPECT_EQ(fn(), fs::canonical(TQTEST_BINARY_DIR).string() + "/");
    ::dlclose(lib);
}

TEST(FileUtil, CopyFolderCopiesLikeTheShellWithoutAsking) {
    TempDir tmp;
    const std::string src = tmp.file(kUtf8Fan), srcGbk = win(tmp.path()) + "\\" + kGbkFan;
    fs::create_directories(src + "/sub/" + kUtf8Kan);
    writeFile(src + "/a.txt", "alpha");
    writeFile(src + "/sub/" + kUtf8Kan + "/.hidden", std::string("\0\x01", 2));
    fs::create_symlink("a.txt", src + "/link");
    ::chmod((src + "/a.txt").c_str(), 0640);
    // A missing target becomes the copy (missing parents are made).
    ASSERT_EQ(tq::CopyFolder(srcGbk.c_str(), (win(tmp.path()) + "\\new\\" + kGbkKan).c_str()), 1);
    const std::string copy = tmp.file("new/" + kUtf8Kan);
    EXPECT_EQ(readFile(copy + "/sub/" + kUtf8Kan + "/.hidden"), std::string("\0\x01", 2));
    EXPECT_EQ(fs::read_symlink(copy + "/link"), "a.txt");
    EXPECT_EQ(fs::status(copy + "/a.txt").permissions(), fs::perms(0640));
    // An existing target receives the folder under its own name; a second copy overwrites.
    fs::create_directory(tmp.file("into"));
    ASSERT_EQ(tq::CopyFolder((srcGbk + "\\").c_str(), tmp.file("into").c_str()), 1);
    ::chmod(tmp.file("into/" + kUtf8Fan + "/a.txt").c_str(), 0444);
    writeFile(src + "/a.txt", "beta");
    ASSERT_EQ(tq::CopyFolder(srcGbk.c_str(), tmp.file("into").c_str()), 1);
    EXPECT_EQ(readFile(tmp.file("into/" + kUtf8Fan + "/a.txt")), "beta");
    // What cannot be copied is left and reported: a FIFO, a file where the target has a folder.
    ASSERT_EQ(::mkfifo((src + "/fifo").c_str(), 0600), 0);
    fs::create_directories(tmp.file("into/" + kUtf8Fan + "/a.txt.d"));
    writeFile(src + "/a.txt.d", "x");
    EXPECT_EQ(tq::CopyFolder(srcGbk.c_str(), tmp.file("into").c_str()), 0);
    EXPECT_FALSE(fs::exists(tmp.file("into/" + kUtf8Fan + "/fifo")));
    tq::os::TreeResult res = tq::CopyFolderResult(src.c_str(), tmp.file("into").c_str());
    EXPECT_FALSE(res.ok());
    EXPECT_EQ(sorted(res.left), (Strings{src + "/a.txt.d", src + "/fifo"}));
}

TEST(FileUtil, CopyFolderRefusesBeforeCreatingAnything) {
    TempDir tmp;
    const std::string src = tmp.file("src"), t = tmp.file("t");
    fs::create_directories(src + "/sub");
    writeFile(src + "/f", "");
    fs::create_directory_symlink(src + "/sub", tmp.file("alias"));
    EXPECT_EQ(tq::CopyFolder(nullptr, t.c_str()), 0);
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {src + "/f", t, t},
        {src + "/none", t, t},
        {src, src, src + "/src"},  // into itself
        {src, src + "/sub/new/deeper", src + "/sub/new"},
        {src, tmp.file("alias/x/../y"), src + "/sub/y"},  // inside it through a link
        {"\\", t, t},
        {"/proc/self", t, t},
        {"/sys/kernel", t, t}};
    for (const auto& [source, target, mustNotExist] : cases) {
        EXPECT_TRUE(tq::CopyFolderResult(source.c_str(), target.c_str()).refused) << target;
        EXPECT_EQ(tq::CopyFolder(source.c_str(), target.c_str()), 0) << target;
        EXPECT_FALSE(fs::exists(mustNotExist)) << mustNotExist;
    }
}

TEST(FileUtil, DeleteAllFileEmptiesTheTreeAndNeverLeavesIt) {
    TempDir tmp;
    const std::string top = tmp.file(kUtf8Fan), outside = tmp.file("outside");
    fs::create_directories(top + "/a/b/" + kUtf8Kan);
    fs::create_directories(outside);
    writeFile(top + "/a/b/" + kUtf8Kan + "/.dot", "1");
    writeFile(outside + "/keep", "keep");
    // Links that lead out of the tree: their targets must survive.
    fs::create_directory_symlink(outside, top + "/a/to-outside");
    fs::create_symlink(outside + "/keep", top + "/keep-link");
    EXPECT_TRUE(tq::DeleteAllFileResult(win(tmp.path()) + "\\" + kGbkFan).ok());
    EXPECT_TRUE(fs::is_directory(top) && fs::is_empty(top));
    // A missing folder or a file is refused.
    EXPECT_TRUE(tq::DeleteAllFileResult(tmp.file("missing")).refused);
    EXPECT_TRUE(tq::DeleteAllFileResult(outside + "/keep").refused);
    EXPECT_TRUE(tq::DeleteAllFileResult("/proc/self").refused);  // a pseudo-file system
    EXPECT_EQ(readFile(outside + "/keep"), "keep");
}

// A scratch folder is the root folder of an isolated child: whatever goes wrong, only the
// scratch folder is at risk.
TEST(FileUtil, RootFolderIsNeverEmptiedNorCopied) {
    TempDir scratch;
    writeFile(scratch.file("keep"), "k");
    fs::create_directories(scratch.file("sub/deep"));
    fs::create_directory_symlink("/", scratch.file("up"));
    Isolated r = RunIsolated(scratch.path(), [](Checks& check) {
        for (const char* root : {"/", "\\", "//", "/./", "/..", "\\sub\\deep\\..\\..", "/up/"}) {
            check(tq::DeleteAllFileResult(root).refused, std::string("not refused: ") + root);
            tq::DeleteAllFile(root);
            check(fs::exists("/keep"), std::string("emptied: ") + root);
        }
        check(tq::CopyFolder("/", "/T") == 0 && !fs::exists("/T"), "root copied");
        check(tq::CopyFolder("/up", "/sub/T") == 0 && !fs::exists("/sub/T"),
              "copied through a link");
    });
    TQ_REQUIRE(r.ran, "a private mount namespace and chroot: " + r.failures);
    EXPECT_EQ(r.failures, "");
    EXPECT_EQ(readFile(scratch.file("keep")), "k");
}

TEST(FileUtil, FolderOperationsStayOnTheirFileSystem) {
    TempDir tmp;
    const std::string top = tmp.file("top"), other = tmp.file("other"), ro = tmp.file("ro");
    for (const std::string& d : {top + "/tmpfs", top + "/bind", top + "/sub", other, ro})
        fs::create_directories(d);
    writeFile(other + "/keep", "k");
    writeFile(top + "/sub/x", "x");
    Isolated r = RunIsolated("", [&](Checks& check) {
        check(::mount("t", (top + "/tmpfs").c_str(), "tmpfs", 0, nullptr) == 0 &&
                  ::mount(other.c_str(), (top + "/bind").c_str(), nullptr, MS_BIND, nullptr) == 0,
              "mounts");
        writeFile(top + "/tmpfs/t", "t");
        tq::os::TreeResult res = tq::DeleteAllFileResult(top);
        check(sorted(res.left) == Strings{top + "/bind", top + "/tmpfs"}, "left: " + res.error);
        check(fs::exists(top + "/tmpfs/t") && fs::exists(top + "/bind/keep") &&
                  !fs::exists(top + "/sub"),
              "emptied across file systems");
        // A copy skips folders of pseudo-file systems mounted inside the source.
        fs::create_directories(top + "/proc");
        writeFile(top + "/f", "f");
        check(::mount("proc", (top + "/proc").c_str(), "proc", 0, nullptr) == 0, "proc mount");
        check(tq::CopyFolder(top.c_str(), tmp.file("copy").c_str()) == 0, "copy said complete");
        check(fs::exists(tmp.file("copy/f")) && !fs::exists(tmp.file("copy/proc")), "proc copied");
        // Entries that cannot be deleted are reported.
        check(::mount("t", ro.c_str(), "tmpfs", 0, nullptr) == 0, "tmpfs mount");
        writeFile(ro + "/a", "");
        check(::mount(nullptr, ro.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0, "ro");
        tq::os::TreeResult left = tq::DeleteAllFileResult(ro);
        check(!left.ok() && left.left == Strings{ro + "/a"} &&
                  left.error.find("Read-only") != std::string::npos,
              "clear of a read-only folder: " + left.error);
    });
    TQ_REQUIRE(r.ran, "a private mount namespace: " + r.failures);
    EXPECT_EQ(r.failures, "");
    EXPECT_EQ(readFile(other + "/keep"), "k");
}

TEST(FileUtil, ComputerNameIsTheHostName) {
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    EXPECT_EQ(tq::GetComputerNameA(), std::string(host).substr(0, 199));
}

TEST(Process, ProgramsRunWithoutAShellKeepTheirFilesAndAreNotOurChildren) {
    TempDir tmp;
    // The program sits in a folder whose name has a blank and a character with trail byte '\'.
    // It reports which descriptors it has, whether we are its parent, and its arguments.
    fs::create_directory(tmp.file("bin " + kUtf8Fan));
    writeScript(tmp.file("bin " + kUtf8Fan + "/p"),
                "#!/bin/sh\nout=$1; shift\n{ for fd in 1 2 77; do [ -e /proc/$$/fd/$fd ] && echo "
                "$fd || echo -; done; [ $PPID = " +
                    std::to_string(::getpid()) +
                    " ] && echo ours; for a in \"$@\"; do echo \"$a\"; done; } > $out\n");
    const std::string prog = "\"" + win(tmp.path()) + "\\bin " + kGbkFan + "\\p\" ";
    ASSERT_EQ(::dup2(STDERR_FILENO, 77), 77);
    ReportPipe closed(tmp.file("exec")), inherited(tmp.file("cmd")), noStdin(tmp.file("in"));
    const std::string evil = tmp.file("evil");
    ASSERT_NE(cmdExec(prog + closed.path() + " \"a b\" ; touch " + evil + " && x | y `touch " +
                      evil + "` $(touch " + evil + ") " + kGbkData + " \"q\\\"uote\" C:\\p\\x"),
              0);
    ASSERT_NE(cmdExec(prog + inherited.path() + " x", true), 0);
    EXPECT_FALSE(haveChildren());  // at once: nothing is left to reap
    // A host without standard input: the internal pipes must not take its place.
    int savedIn = ::dup(STDIN_FILENO);
    ::close(STDIN_FILENO);
    const int started = cmdExec(prog + noStdin.path());
    ::dup2(savedIn, STDIN_FILENO);
    ::close(savedIn);
    ::close(77);
    EXPECT_EQ(closed.read(), "1\n2\n-\na b\n;\ntouch\n" + evil + "\n&&\nx\n|\ny\n`touch\n" + evil +
                                 "`\n$(touch\n" + evil + ")\n" + kUtf8Data +
                                 "\nq\"uote\nC:\\p\\x\n");
    EXPECT_FALSE(fs::exists(evil));
    EXPECT_EQ(inherited.read(), "1\n2\n77\nx\n");
    EXPECT_NE(started, 0);
    EXPECT_EQ(noStdin.read(), "1\n2\n-\n");
}

TEST(Process, ProgramsThatCannotStartGiveZeroAndLeaveNoChild) {
    TempDir tmp;
    writeFile(tmp.file("plain"), "#!/bin/sh\ntrue\n");  // not executable
    writeScript(tmp.file("broken"), "#!/nonexistent/interpreter\n");
    for (const std::string& line : Strings{"tq-no-such-program anywhere", "", tmp.file("plain"),
                                           win(tmp.path()) + "\\missing.exe", tmp.file("broken")})
        EXPECT_EQ(cmdExec(line) + cmdExec(line, true), 0) << line;
    for (const std::string& file :
         Strings{"tq-no-such-program", "", tmp.file("broken"), win(tmp.path()) + "\\missing.exe"})
        EXPECT_EQ(tq::WaitCmdExec(file), 0) << file;
    EXPECT_EQ(tq::CmdExec(nullptr), 0);
    EXPECT_NE(cmdExec("true"), 0);  // a bare name found on PATH
    EXPECT_FALSE(haveChildren());
}

TEST(Process, WaitCmdExecReturnsOnlyWhenTheProgramHasEnded) {
    TempDir tmp;
    fs::create_directory(tmp.file(kUtf8Fan));
    const std::string gate = tmp.file("gate");
    ReportPipe started(tmp.file("started"));
    // The program holds the gate, reports that it runs, then waits until the test opens it.
    writeScript(tmp.file(kUtf8Fan + "/slow"), "#!/bin/sh\nexec 3< " + gate + "\necho run > " +
                                                  started.path() + "\nread go <&3\necho done > " +
                                                  tmp.file("marker") + "\n");
    ASSERT_EQ(::mkfifo(gate.c_str(), 0600), 0);
    const int gateFd = ::open(gate.c_str(), O_RDWR | O_CLOEXEC);
    auto call = std::async(std::launch::async, [&] {
        return tq::WaitCmdExec(win(tmp.path()) + "\\" + kGbkFan + "\\slow");
    });
    // No ASSERT before the gate is open: the program, and the call, must never be left waiting.
    EXPECT_EQ(started.read(), "run\n");
    EXPECT_EQ(call.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    EXPECT_EQ(::write(gateFd, "go\n", 3), 3);
    ::close(gateFd);
    ASSERT_EQ(call.wait_for(std::chrono::seconds(60)), std::future_status::ready)
        << "WaitCmdExec still waits 60 s after the program was let go";
    EXPECT_EQ(call.get(), 1);
    EXPECT_EQ(readFile(tmp.file("marker")), "done\n");
}

TEST(Process, WaitCmdExecOpensDocumentsWithTheDesktopApplication) {
    TempDir tmp;
    fs::create_directory(tmp.file("bin"));
    // A desktop opener that records what it was asked to open.
    writeScript(tmp.file("bin/xdg-open"), "#!/bin/sh\necho \"$@\" >> " + tmp.file("opened") + "\n");
    writeScript(tmp.file("bin/tq-tool"), "#!/bin/sh\necho tool > " + tmp.file("tool") + "\n");
    writeScript(tmp.file("bin/failing"), "#!/bin/sh\nexit 9\n");
    ScopedEnv env("PATH", tmp.file("bin:/usr/bin:/bin").c_str());
    writeFile(tmp.file(kUtf8Data + ".txt"), "data");
    EXPECT_EQ(tq::WaitCmdExec(win(tmp.path()) + "\\" + kGbkData + ".txt"), 1);
    EXPECT_EQ(tq::WaitCmdExec(win(tmp.path()) + "\\bin\\"), 1);
    EXPECT_EQ(readFile(tmp.file("opened")), tmp.file(kUtf8Data + ".txt\n") + tmp.file("bin/\n"));
    // A program's own exit code does not matter; a bare name is found on PATH.
    EXPECT_EQ(tq::WaitCmdExec(win(tmp.path()) + "\\bin\\failing"), 1);
    EXPECT_EQ(tq::WaitCmdExec("tq-tool"), 1);
    EXPECT_EQ(readFile(tmp.file("tool")), "tool\n");
    // No application for the file: the opener fails, and so does the call.
    writeScript(tmp.file("bin/xdg-open"), "#!/bin/sh\nexit 3\n");
    EXPECT_EQ(tq::WaitCmdExec(win(tmp.path()) + "\\" + kGbkData + ".txt"), 0);
}
