// Files, folders and processes: GBK paths in Windows form against the real file system, folder
// copies and clean-ups, and programs started without a shell and without leaving zombies.
#include "tqtool/fileutil.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "os/process.h"
#include "support/os_support.h"

namespace fs = std::filesystem;
using namespace ostest;

namespace {

// An ASCII file-system path in Windows form (backslashes), as callers of the library write it.
std::string win(const std::string& p) {
    std::string out = p;
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

bool exists(const std::string& p) {
    struct stat st;
    return ::lstat(p.c_str(), &st) == 0;
}

std::vector<std::string> lines(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < s.size()) {
        size_t nl = s.find('\n', start);
        if (nl == std::string::npos) nl = s.size();
        out.push_back(s.substr(start, nl - start));
        start = nl + 1;
    }
    return out;
}

// Children of this process that have ended but were not reaped.
int zombieChildren() {
    int count = 0;
    DIR* proc = ::opendir("/proc");
    if (!proc) return -1;
    while (struct dirent* e = ::readdir(proc)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
        auto stat = readFile(std::string("/proc/") + e->d_name + "/stat");
        if (!stat) continue;
        size_t close = stat->rfind(')');
        if (close == std::string::npos || close + 4 > stat->size()) continue;
        char state = (*stat)[close + 2];
        long ppid = std::strtol(stat->c_str() + close + 4, nullptr, 10);
        if (ppid == ::getpid() && state == 'Z') ++count;
    }
    ::closedir(proc);
    return count;
}

// A script that writes each of its arguments after the first on a line of the file named by
// the first (atomically, so that a reader never sees half of it).
const char* kArgsScript =
    "#!/bin/sh\n"
    "out=$1; shift\n"
    "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$out.part\"\n"
    "mv \"$out.part\" \"$out\"\n";

int cmdExec(const std::string& line) {
    std::vector<char> buf(line.begin(), line.end());
    buf.push_back('\0');
    return tq::CmdExec(buf.data());
}

int cmd(const std::string& line) {
    std::vector<char> buf(line.begin(), line.end());
    buf.push_back('\0');
    return tq::Cmd(buf.data());
}

}  // namespace

TEST(FileUtil, FilesAndFoldersAreToldApart) {
    TempDir tmp;
    // A folder whose name ends in a character with trail byte '\': it must not be taken for a
    // trailing separator and cut off.
    const std::string folderOs = tmp.path() + "/" + kUtf8Data + kUtf8Fan;
    const std::string folderGbk = win(tmp.path()) + "\\" + kGbkData + kGbkFan;
    fs::create_directory(folderOs);
    const std::string fileOs = folderOs + "/" + kUtf8Kan + kUtf8Hou + ".txt";
    const std::string fileGbk = folderGbk + "\\" + kGbkKan + kGbkHou + ".txt";
    writeFile(fileOs, "x");

    EXPECT_EQ(tq::IsFileExist(fileGbk), 1);
    EXPECT_EQ(tq::IsFileExist(folderGbk), 0);
    EXPECT_EQ(tq::IsFileExist(folderGbk + "\\missing.txt"), 0);
    EXPECT_EQ(tq::IsFileExist(""), 0);

    EXPECT_EQ(tq::IsDirectory(folderGbk), 1);
    EXPECT_EQ(tq::IsDirectory(folderGbk + "\\"), 1);
    EXPECT_EQ(tq::IsDirectory(tmp.path() + "/" + kGbkData + kGbkFan + "/"), 1);
    EXPECT_EQ(tq::IsDirectory(fileGbk), 0);
    EXPECT_EQ(tq::IsDirectory(folderGbk + "\\nothing"), 0);
    EXPECT_EQ(tq::IsDirectory(""), 0);
    EXPECT_EQ(tq::IsDirectory("\\"), 1);
    // The trail byte alone is no separator: without it the name is another, missing folder.
    EXPECT_EQ(tq::IsDirectory(win(tmp.path()) + "\\" + kGbkData + "\xb5"), 0);

    // A file that cannot be read does not exist for IsFileExist (root reads everything).
    const std::string locked = tmp.path() + "/locked.txt";
    writeFile(locked, "secret");
    ::chmod(locked.c_str(), 0);
    if (::geteuid() != 0) {
        EXPECT_EQ(tq::IsFileExist(locked), 0);
    }
    // A named pipe is opened without blocking.
    const std::string fifo = tmp.path() + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(tq::IsDirectory(fifo), 0);
    tq::IsFileExist(fifo);
}

TEST(FileUtil, GetFileDirSplitsAtTheLastRealSeparator) {
    TempDir tmp;
    const std::string dirOs = tmp.path() + "/" + kUtf8Data;
    fs::create_directory(dirOs);
    writeFile(dirOs + "/map.txt", "");
    writeFile(dirOs + "/README", "");
    writeFile(dirOs + "/x" + kUtf8Fan + ".tar.gz", "");
    fs::create_directory(tmp.path() + "/v1.0");
    writeFile(tmp.path() + "/v1.0/LICENSE", "");

    const std::string dirGbk = win(tmp.path()) + "\\" + kGbkData + "\\";
    std::string name = "untouched";
    EXPECT_EQ(tq::GetFileDir(dirGbk + "map.txt", name, false), dirGbk);
    EXPECT_EQ(name, "map");
    EXPECT_EQ(tq::GetFileDir(dirGbk + "map.txt", name, true), dirGbk);
    EXPECT_EQ(name, "map.txt");

    // The trail byte '\' of the name is not the separator; the last point counts.
    EXPECT_EQ(tq::GetFileDir(dirGbk + "x" + kGbkFan + ".tar.gz", name, false), dirGbk);
    EXPECT_EQ(name, "x" + kGbkFan + ".tar");
    EXPECT_EQ(tq::GetFileDir(dirGbk + "x" + kGbkFan + ".tar.gz", name, true), dirGbk);
    EXPECT_EQ(name, "x" + kGbkFan + ".tar.gz");

    // No point in the name: the name without extension is empty, even when the folder has one.
    name = "untouched";
    EXPECT_EQ(tq::GetFileDir(dirGbk + "README", name, false), dirGbk);
    EXPECT_EQ(name, "");
    EXPECT_EQ(tq::GetFileDir(win(tmp.path()) + "\\v1.0\\LICENSE", name, false),
              win(tmp.path()) + "\\v1.0\\");
    EXPECT_EQ(name, "");

    // Forward slashes and mixed separators: the folder keeps the separator the path used.
    EXPECT_EQ(tq::GetFileDir(tmp.path() + "/" + kGbkData + "/map.txt", name, true),
              tmp.path() + "/" + kGbkData + "/");
    EXPECT_EQ(name, "map.txt");
    EXPECT_EQ(tq::GetFileDir(tmp.path() + "\\" + kGbkData + "/map.txt", name, false),
              tmp.path() + "\\" + kGbkData + "/");

    // Missing files and folders leave the name alone.
    name = "untouched";
    EXPECT_EQ(tq::GetFileDir(dirGbk + "missing.txt", name, true), "");
    EXPECT_EQ(tq::GetFileDir(dirGbk, name, true), "");
    EXPECT_EQ(tq::GetFileDir("", name, true), "");
    EXPECT_EQ(name, "untouched");
}

TEST(FileUtil, GetCurPathIsTheFolderOfTheModule) {
    // Linked in statically, the module is this program.
    char exe[4096];
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    std::string self(exe, static_cast<size_t>(n));
    std::string cur = tq::GetCurPath();
    EXPECT_EQ(cur, self.substr(0, self.rfind('/') + 1));
    EXPECT_EQ(tq::IsDirectory(cur), 1);
}

TEST(FileUtil, GetCurPathOfTheSharedLibraryIsItsFolder) {
    const std::string lib = std::string(TQTEST_BINARY_DIR) + "/libtqtool100.so";
    if (!exists(lib)) GTEST_SKIP() << "shared library not built";
    void* handle = ::dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << ::dlerror();
    using Fn = std::string (*)();
    auto fn = reinterpret_cast<Fn>(::dlsym(handle, "_ZN2tq10GetCurPathB5cxx11Ev"));
    ASSERT_NE(fn, nullptr);
    std::string expected = fs::canonical(TQTEST_BINARY_DIR).string() + "/";
    EXPECT_EQ(fn(), expected);
    ::dlclose(handle);
}

TEST(FileUtil, CopyFolderCopiesLikeTheShellWithoutAsking) {
    TempDir tmp;
    const std::string srcOs = tmp.path() + "/" + kUtf8Data + kUtf8Fan;
    const std::string srcGbk = win(tmp.path()) + "\\" + kGbkData + kGbkFan;
    fs::create_directories(srcOs + "/sub/" + kUtf8Kan);
    writeFile(srcOs + "/a.txt", "alpha");
    writeFile(srcOs + "/sub/" + kUtf8Kan + "/" + kUtf8Hou + ".bin", std::string("\0\x01\x02", 3));
    writeFile(srcOs + "/.hidden", "h");
    fs::create_symlink("a.txt", srcOs + "/link");
    ::chmod((srcOs + "/a.txt").c_str(), 0640);

    // A file as source copies nothing.
    EXPECT_EQ(tq::CopyFolder((srcGbk + "\\a.txt").c_str(), (win(tmp.path()) + "\\out0").c_str()),
              0);
    EXPECT_FALSE(exists(tmp.path() + "/out0"));
    EXPECT_EQ(tq::CopyFolder((srcGbk + "\\none").c_str(), (win(tmp.path()) + "\\out0").c_str()), 0);
    EXPECT_EQ(tq::CopyFolder(nullptr, "x"), 0);

    // A missing target becomes the copy (missing parents are made).
    const std::string newTarget = tmp.path() + "/new/" + kUtf8Fan;
    ASSERT_EQ(tq::CopyFolder(srcGbk.c_str(), (win(tmp.path()) + "\\new\\" + kGbkFan).c_str()), 1);
    EXPECT_EQ(readFile(newTarget + "/a.txt"), "alpha");
    EXPECT_EQ(readFile(newTarget + "/sub/" + kUtf8Kan + "/" + kUtf8Hou + ".bin"),
              std::string("\0\x01\x02", 3));
    EXPECT_EQ(readFile(newTarget + "/.hidden"), "h");
    EXPECT_TRUE(fs::is_symlink(newTarget + "/link"));
    EXPECT_EQ(fs::read_symlink(newTarget + "/link"), "a.txt");
    EXPECT_EQ(fs::status(newTarget + "/a.txt").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // An existing target receives the folder under its own name; a second copy overwrites.
    fs::create_directory(tmp.path() + "/into");
    ASSERT_EQ(tq::CopyFolder((srcGbk + "\\").c_str(), (win(tmp.path()) + "\\into").c_str()), 1);
    const std::string inside = tmp.path() + "/into/" + kUtf8Data + kUtf8Fan;
    EXPECT_EQ(readFile(inside + "/a.txt"), "alpha");
    ::chmod((inside + "/a.txt").c_str(), 0444);
    writeFile(srcOs + "/a.txt", "beta");
    ASSERT_EQ(tq::CopyFolder(srcGbk.c_str(), (win(tmp.path()) + "\\into").c_str()), 1);
    EXPECT_EQ(readFile(inside + "/a.txt"), "beta");

    // A folder is never copied into itself.
    EXPECT_EQ(tq::CopyFolder(srcGbk.c_str(), (srcGbk + "\\sub").c_str()), 0);
    EXPECT_EQ(tq::CopyFolder(srcGbk.c_str(), srcGbk.c_str()), 0);
    EXPECT_FALSE(exists(srcOs + "/sub/" + kUtf8Data + kUtf8Fan));
}

TEST(FileUtil, DeleteAllFileEmptiesTheTreeAndNeverLeavesIt) {
    TempDir tmp;
    const std::string rootOs = tmp.path() + "/" + kUtf8Fan;
    fs::create_directories(rootOs + "/a/b/" + kUtf8Kan);
    writeFile(rootOs + "/top.txt", "1");
    writeFile(rootOs + "/.dot", "1");
    writeFile(rootOs + "/a/b/" + kUtf8Kan + "/" + kUtf8Hou, "1");
    fs::create_directory(rootOs + "/empty");
    // Links that lead out of the tree: their targets must survive.
    const std::string outside = tmp.path() + "/outside";
    fs::create_directory(outside);
    writeFile(outside + "/keep.txt", "keep");
    fs::create_directory_symlink(outside, rootOs + "/a/to-outside");
    fs::create_symlink(outside + "/keep.txt", rootOs + "/keep-link");
    fs::create_symlink(tmp.path() + "/dangling", rootOs + "/dangling");

    tq::DeleteAllFile(win(tmp.path()) + "\\" + kGbkFan);
    EXPECT_TRUE(fs::is_directory(rootOs));
    EXPECT_TRUE(fs::is_empty(rootOs));
    EXPECT_EQ(readFile(outside + "/keep.txt"), "keep");

    // The empty folder name does nothing; a missing folder is no error.
    tq::DeleteAllFile(win(tmp.path()) + "\\missing");
    tq::DeleteAllFile(win(tmp.path()) + "\\outside\\keep.txt");
    EXPECT_EQ(readFile(outside + "/keep.txt"), "keep");
}

TEST(FileUtil, ComputerNameIsTheHostName) {
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    EXPECT_EQ(tq::GetComputerNameA(), std::string(host).substr(0, 199));
}

TEST(CommandLine, SplitsWithTheWindowsRules) {
    using V = std::vector<std::string>;
    auto split = [](const std::string& s) { return tq::os::SplitCommandLine(s); };
    EXPECT_EQ(split(""), V{});
    EXPECT_EQ(split("   "), V{});
    EXPECT_EQ(split("prog a  b\tc"), (V{"prog", "a", "b", "c"}));
    EXPECT_EQ(split("  \"C:\\Program Files\\x.exe\" \"a b\" c"),
              (V{"C:\\Program Files\\x.exe", "a b", "c"}));
    // The program's backslashes are never escapes.
    EXPECT_EQ(split("C:\\dir\\\"x y\" z"), (V{"C:\\dir\\x y", "z"}));
    // Backslashes before a quote: 2n give n and the quote acts; 2n+1 give n and a literal quote.
    EXPECT_EQ(split("p a\\\\\\\"b"), (V{"p", "a\\\"b"}));
    EXPECT_EQ(split("p \"a\\\\\" b"), (V{"p", "a\\", "b"}));
    EXPECT_EQ(split("p a\\\\b c\\"), (V{"p", "a\\\\b", "c\\"}));
    EXPECT_EQ(split("p \\\"x\\\""), (V{"p", "\"x\""}));
    // "" inside quotes is a literal quote; an empty pair is an empty argument.
    EXPECT_EQ(split("p \"a\"\"b\" \"\" x\"y z\""), (V{"p", "a\"b", "", "xy z"}));
    EXPECT_EQ(split("p \"unterminated arg"), (V{"p", "unterminated arg"}));
    // Trail bytes '\' and '|' are parts of their characters, never escapes or separators.
    EXPECT_EQ(split("\"" + kGbkFan + "\\prog\" \"" + kGbkFan + "\" " + kGbkKan + kGbkFan + "\"q\""),
              (V{kGbkFan + "\\prog", kGbkFan, kGbkKan + kGbkFan + "q"}));
}

TEST(Process, CommandLinesNeverReachAShell) {
    TempDir tmp;
    // The program sits in a folder whose name has a blank and a character with trail byte '\'.
    const std::string binOs = tmp.path() + "/bin " + kUtf8Fan;
    fs::create_directory(binOs);
    writeScript(binOs + "/args", kArgsScript);
    const std::string prog = "\"" + win(tmp.path()) + "\\bin " + kGbkFan + "\\args\"";
    const std::string out = tmp.path() + "/out";
    const std::string evil = tmp.path() + "/evil";

    const std::string line = prog + " " + out + " \"a b\" ; touch " + evil + " && touch " + evil +
                             "2 | touch " + evil + "3 `touch " + evil + "4` $(touch " + evil +
                             "5) " + kGbkData + " \"q\\\"uote\" C:\\path\\x";
    ASSERT_NE(cmdExec(line), 0);
    ASSERT_TRUE(waitForFile(out));
    std::vector<std::string> expected{"a b",     ";",          "touch",   evil,        "&&",
                                      "touch",   evil + "2",   "|",       "touch",     evil + "3",
                                      "`touch",  evil + "4`",  "$(touch", evil + "5)", kUtf8Data,
                                      "q\"uote", "C:\\path\\x"};
    EXPECT_EQ(lines(*readFile(out)), expected);
    for (const char* suffix : {"", "2", "3", "4", "5"})
        EXPECT_FALSE(exists(evil + suffix)) << suffix;

    // The same through Cmd; a bare name is found on PATH.
    ASSERT_NE(cmd(prog + " " + out + "-cmd x"), 0);
    ASSERT_TRUE(waitForFile(out + "-cmd"));
    EXPECT_EQ(readFile(out + "-cmd"), "x\n");
    EXPECT_NE(cmdExec("true"), 0);
}

TEST(Process, ProgramsThatCannotStartGiveZero) {
    TempDir tmp;
    EXPECT_EQ(cmdExec("tq-no-such-program-anywhere arg"), 0);
    EXPECT_EQ(cmd("tq-no-such-program-anywhere"), 0);
    EXPECT_EQ(cmdExec(win(tmp.path()) + "\\missing.exe"), 0);
    EXPECT_EQ(cmdExec(""), 0);
    EXPECT_EQ(tq::CmdExec(nullptr), 0);
    // A file that is not executable, and one whose interpreter is missing (exec itself fails).
    writeFile(tmp.path() + "/plain", "#!/bin/sh\ntrue\n");
    EXPECT_EQ(cmdExec(tmp.path() + "/plain"), 0);
    writeScript(tmp.path() + "/broken", "#!/nonexistent/interpreter\n");
    EXPECT_EQ(cmdExec(tmp.path() + "/broken"), 0);
    EXPECT_EQ(cmd(tmp.path() + "/broken"), 0);
    EXPECT_EQ(zombieChildren(), 0);
}

TEST(Process, StartedProgramsNeverBecomeOurZombies) {
    TempDir tmp;
    writeScript(tmp.path() + "/parent",
                "#!/bin/sh\necho $PPID > \"$1.part\"; mv \"$1.part\" \"$1\"\n");
    for (int i = 0; i < 5; ++i) {
        ASSERT_NE(cmdExec("true"), 0);
        ASSERT_NE(cmd("true"), 0);
    }
    ASSERT_NE(cmdExec(tmp.path() + "/parent " + tmp.path() + "/ppid"), 0);
    ASSERT_TRUE(waitForFile(tmp.path() + "/ppid"));
    // The program is not our child, so nothing of it can linger in our process table.
    EXPECT_NE(std::strtol(readFile(tmp.path() + "/ppid")->c_str(), nullptr, 10), ::getpid());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(zombieChildren(), 0);
}

TEST(Process, CmdInheritsOpenFilesCmdExecClosesThem) {
    TempDir tmp;
    writeScript(
        tmp.path() + "/fds",
        "#!/bin/sh\nfor fd in 1 2 77; do\n"
        "  if [ -e /proc/$$/fd/$fd ]; then echo \"$fd open\"; else echo \"$fd closed\"; fi\n"
        "done > \"$1.part\"; mv \"$1.part\" \"$1\"\n");
    int fd = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::dup2(fd, 77), 77);
    ::close(fd);

    ASSERT_NE(cmd(tmp.path() + "/fds " + tmp.path() + "/cmd"), 0);
    ASSERT_NE(cmdExec(tmp.path() + "/fds " + tmp.path() + "/exec"), 0);
    ASSERT_TRUE(waitForFile(tmp.path() + "/cmd"));
    ASSERT_TRUE(waitForFile(tmp.path() + "/exec"));
    ::close(77);
    EXPECT_EQ(readFile(tmp.path() + "/cmd"), "1 open\n2 open\n77 open\n");
    EXPECT_EQ(readFile(tmp.path() + "/exec"), "1 open\n2 open\n77 closed\n");

    // A host without standard input: the internal pipes must not take its place.
    int savedIn = ::dup(STDIN_FILENO);
    ::close(STDIN_FILENO);
    int started = cmdExec(tmp.path() + "/fds " + tmp.path() + "/no-stdin");
    int missing = cmdExec("tq-no-such-program-anywhere");
    ::dup2(savedIn, STDIN_FILENO);
    ::close(savedIn);
    EXPECT_NE(started, 0);
    EXPECT_EQ(missing, 0);
    ASSERT_TRUE(waitForFile(tmp.path() + "/no-stdin"));
    EXPECT_EQ(readFile(tmp.path() + "/no-stdin"), "1 open\n2 open\n77 closed\n");
}

TEST(Process, WaitCmdExecWaitsForTheProgram) {
    TempDir tmp;
    const std::string dirOs = tmp.path() + "/" + kUtf8Fan;
    fs::create_directory(dirOs);
    writeScript(dirOs + "/slow",
                "#!/bin/sh\nsleep 0.3\necho done > \"$(dirname \"$0\")/marker\"\n");
    EXPECT_EQ(tq::WaitCmdExec(win(tmp.path()) + "\\" + kGbkFan + "\\slow"), 1);
    // Only after the program has ended does the call return.
    EXPECT_EQ(readFile(dirOs + "/marker"), "done\n");

    EXPECT_EQ(tq::WaitCmdExec(win(tmp.path()) + "\\missing.exe"), 0);
    EXPECT_EQ(tq::WaitCmdExec(""), 0);
    EXPECT_EQ(zombieChildren(), 0);
}

TEST(Process, WaitCmdExecOpensOtherFilesWithTheDesktopApplication) {
    TempDir tmp;
    const std::string bin = tmp.path() + "/bin";
    fs::create_directory(bin);
    // A desktop opener that takes its time and records what it was asked to open.
    writeScript(bin + "/xdg-open",
                "#!/bin/sh\nsleep 0.2\nprintf '%s\\n' \"$@\" >> \"" + tmp.path() + "/opened\"\n");
    writeScript(bin + "/tq-fake-tool", "#!/bin/sh\necho tool > \"" + tmp.path() + "/tool\"\n");
    const char* path = std::getenv("PATH");
    ScopedEnv env("PATH", (bin + ":" + (path ? path : "/usr/bin:/bin")).c_str());

    writeFile(tmp.path() + "/" + kUtf8Data + ".txt", "data");
    EXPECT_EQ(tq::WaitCmdExec(win(tmp.path()) + "\\" + kGbkData + ".txt"), 1);
    EXPECT_EQ(readFile(tmp.path() + "/opened"), tmp.path() + "/" + kUtf8Data + ".txt\n");
    EXPECT_EQ(tq::WaitCmdExec(win(tmp.path()) + "\\bin\\"), 1);
    EXPECT_EQ(readFile(tmp.path() + "/opened"),
              tmp.path() + "/" + kUtf8Data + ".txt\n" + tmp.path() + "/bin/\n");
    // No application for the file: the opener fails, and so does the call. A program's own
    // exit code does not matter.
    writeScript(bin + "/xdg-open", "#!/bin/sh\nexit 3\n");
    EXPECT_EQ(tq::WaitCmdExec(win(tmp.path()) + "\\" + kGbkData + ".txt"), 0);
    writeScript(bin + "/failing", "#!/bin/sh\nexit 9\n");
    EXPECT_EQ(tq::WaitCmdExec(win(tmp.path()) + "\\bin\\failing"), 1);
    // A bare program name is found on PATH and waited for.
    EXPECT_EQ(tq::WaitCmdExec("tq-fake-tool"), 1);
    EXPECT_EQ(readFile(tmp.path() + "/tool"), "tool\n");
}
