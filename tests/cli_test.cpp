// The tqtool program as a script runs it: arguments, standard input and environment in; exit
// code, standard output and standard error out. The cases are data (tests/cli/cases.txt), run in
// a folder holding the input files of tests/cli; the tests look inside what they wrote.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/os_support.h"
#include "support/require.h"

extern char** environ;

namespace {

using ostest::readFile;
using ostest::writeFile;

struct Result {
    int status = -1;
    std::string out, err;
};

std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
    for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
        s.replace(p, from.size(), to);
    return s;
}

// Runs `argv` with standard input from `input`, the environment changed by `env` ("NAME=value"
// sets, "NAME" unsets); every "$D" in the arguments and the environment becomes `dir`. Output
// goes to files, so a large one cannot block the program. The wait is bounded by 120 s (far
// beyond any case here) so that a program that hangs fails the case instead of the whole run.
Result run(std::vector<std::string> argv, const std::string& dir,
           const std::vector<std::string>& env = {}, const std::string& input = "") {
    for (auto& a : argv) a = replaceAll(a, "$D", dir);
    std::vector<std::string> envs;
    for (char** e = environ; *e; ++e) envs.emplace_back(*e);
    for (const auto& change : env) {
        const std::string name = change.substr(0, change.find('='));
        std::erase_if(envs, [&](const std::string& e) { return e.rfind(name + "=", 0) == 0; });
        if (change.find('=') != std::string::npos) envs.push_back(replaceAll(change, "$D", dir));
    }
    const std::string in = dir + "/.stdin", out = dir + "/.stdout", err = dir + "/.stderr";
    writeFile(in, input);
    std::vector<char*> args, envp;
    for (auto& a : argv) args.push_back(a.data());
    for (auto& e : envs) envp.push_back(e.data());
    args.push_back(nullptr);
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fds[3] = {::open(in.c_str(), O_RDONLY),
                            ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
                            ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)};
        for (int i = 0; i < 3; ++i) ::dup2(fds[i], i);
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    Result r;
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    pollfd p{pidfd, POLLIN, 0};
    if (pidfd < 0 || ::poll(&p, 1, 120000) != 1) {
        ::kill(pid, SIGKILL);
        ADD_FAILURE() << "tqtool did not end within 120 s: " << argv[1];
    }
    int st = 0;
    ::waitpid(pid, &st, 0);
    if (pidfd >= 0) ::close(pidfd);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    r.out = readFile(out).value_or("");
    r.err = readFile(err).value_or("");
    return r;
}

Result tqtool(const std::vector<std::string>& args, const std::string& dir,
              const std::vector<std::string>& env = {}, const std::string& input = "") {
    std::vector<std::string> argv{TQTEST_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv, dir, env, input);
}

// The cases of group `name` in tests/cli/cases.txt (the file says how they read).
struct Case {
    std::vector<std::string> args;
    int status;
    std::string out, err;
    std::vector<std::string> env;
};
std::vector<Case> cases(const std::string& name) {
    std::vector<Case> out;
    std::istringstream in(readFile(TQTEST_SOURCE_DIR "/tests/cli/cases.txt").value_or(""));
    bool inGroup = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("[") && !line.starts_with("[["))
            inGroup = line == "[" + name + "]";
        else if (inGroup && !line.starts_with("#") && !line.empty()) {
            const auto j = nlohmann::json::parse(line);
            out.push_back({j[0], j[1], j[2], j.size() > 3 ? j[3] : "",
                           j.size() > 4 ? j[4] : nlohmann::json::array()});
        }
    }
    EXPECT_FALSE(out.empty()) << name;
    return out;
}

class Cli : public testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy(TQTEST_SOURCE_DIR "/tests/cli", d);
        std::string rows = "{\"tables\": [[";
        for (int r = 0; r < 1048576; ++r) rows += "[],";
        writeFile(d + "/toomany.json", rows + "[\"x\"]]]}");
        writeFile(d + "/deep.json", "{\"skipped\": " + std::string(100000, '['));
        ::mkfifo((d + "/fifo.json").c_str(), 0600);
        std::filesystem::create_directory(d + "/folder.xlsx");
        std::filesystem::create_symlink(d + "/old.xlsx", d + "/link.xlsx");
    }
    void check(const std::vector<Case>& cases) {
        for (const auto& c : cases) {
            const Result r = tqtool(c.args, d, c.env);
            const std::string what = testing::PrintToString(c.args) + "\nstderr: " + r.err;
            EXPECT_EQ(r.status, c.status) << what;
            EXPECT_EQ(r.out, replaceAll(c.out, "$D", d)) << what;
            if (c.err.empty())
                EXPECT_EQ(r.err, "") << what;
            else
                EXPECT_NE(r.err.find(replaceAll(c.err, "$D", d)), std::string::npos) << what;
        }
    }
    ostest::TempDir dir;
    const std::string d = dir.path();
    ostest::ScopedEnv show{"TQTOOL_OFFICE_DIR", (d + "/show").c_str()};
};

TEST_F(Cli, ResultsErrorsAndUsage) {
    check(cases("results"));
    check({{{"read", "$D/\xff.xlsx"},
            1,
            "",
            "cannot open the workbook: $D/\xEF\xBF\xBD.xlsx\"}\n",
            {}}});
    // The file is GBK, CRLF.
    EXPECT_EQ(readFile(d + "/c.ini"), "[s]\r\n\xbc\xfc=\xd6\xb5 -1\r\n[other]\r\n");
    check(cases("after-ini"));
    const std::string args = readFile(d + "/zenity.log").value_or("");
    EXPECT_EQ(args.rfind("--question\n", 0), 0u) << args;
    EXPECT_NE(args.find("--text=\xe7\xa4\xac?\n"), std::string::npos) << args;  // 礬
    EXPECT_NE(args.find("--title=C\n"), std::string::npos) << args;
}

TEST_F(Cli, UtilitiesOneCallAtATime) {
    check(cases("util"));
}

TEST_F(Cli, ExportsReplaceTheOutputOnlyWhenComplete) {
    check(cases("failing-exports"));
    EXPECT_EQ(readFile(d + "/old.xlsx"), "old bytes");
    check(cases("replacing-exports"));
    EXPECT_FALSE(std::filesystem::exists(d + "/show"));  // nothing shown with --out
    EXPECT_TRUE(std::filesystem::is_symlink(d + "/link.xlsx"));
    EXPECT_TRUE(std::filesystem::is_directory(d + "/folder.xlsx"));
    struct stat st {};
    EXPECT_TRUE(::stat("/dev/null", &st) == 0 && S_ISCHR(st.st_mode));
    EXPECT_EQ(readFile(d + "/out.csv"),
              "\xEF\xBB\xBF"
              "a,\r\n");
    // Another reader sees the sheets and merges.
    TQ_REQUIRE(std::filesystem::exists(TQTEST_PYTHON), "python3 with openpyxl");
    const Result py =
        run({TQTEST_PYTHON, "-c",
             "import sys, openpyxl\nwb = openpyxl.load_workbook(sys.argv[1])\n"
             "print(wb.sheetnames, [str(m) for m in wb.worksheets[0].merged_cells.ranges])",
             d + "/old.xlsx"},
            d);
    EXPECT_EQ(py.out, "['a', 'c'] ['A1:B1']\n") << py.err;
}

TEST_F(Cli, ExportWordSavesOnlyASuccessfulDocument) {
    check(cases("export-word"));
    EXPECT_EQ(readFile(d + "/old.xlsx"), "old bytes");
    const auto dump = [&](const std::string& file) {
        return run({TQTEST_PYTHON, TQTEST_SOURCE_DIR "/tests/word_dump.py", file}, d).out;
    };
    const std::string merged = dump(d + "/out \xe7\xa4\xac.docx");
    EXPECT_NE(merged.find("\"groups\": [[0, 1, 1], [3, 4, 5], [3, 7, 8]]"), std::string::npos)
        << merged;
    EXPECT_NE(merged.find("\"table\": [[\"x\", \"\", \"5\"]]"), std::string::npos) << merged;
    EXPECT_NE(merged.find("\"orientation\": 1"), std::string::npos) << merged;
    EXPECT_FALSE(std::filesystem::exists(d + "/show/Document2.docx"));
    const std::string plain = dump(d + "/show/Document1.docx");
    EXPECT_NE(plain.find("\"groups\": [[0, 1, 2], [3, 4, 5], [6, 7, 8]]"), std::string::npos)
        << plain;
    EXPECT_NE(plain.find("\"orientation\": 0"), std::string::npos) << plain;
}

TEST_F(Cli, WorkbookDumpTypesKindsAndConversion) {
    TQ_REQUIRE(std::filesystem::exists(TQTEST_PYTHON), "python3 with openpyxl");
    const Result py =
        run({TQTEST_PYTHON, "-c",
             "import sys, datetime, openpyxl\nwb = openpyxl.Workbook()\nws = wb.active\n"
             "ws.title = 'T'\nws.append(['a\\tb', 1.5, True, datetime.date(2023, 3, 15), '=1/0'])\n"
             "ws['E1'].value = '#DIV/0!'\nws['E1'].data_type = 'e'\nws.merge_cells('A3:B3')\n"
             "wb.save(sys.argv[1])",
             d + "/kinds.xlsx"},
            d);
    ASSERT_EQ(py.status, 0) << py.err;
    check(cases("workbook-dump"));
}

}  // namespace
