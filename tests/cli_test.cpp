// The tqtool program as a script runs it: arguments, standard input and environment in; exit
// code, standard output and standard error out. One table of cases, run in order in one folder
// (later cases read what earlier ones wrote), then the cases that look inside written files.
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

// One case: `out` is the exact standard output; `err` a part standard error must contain (""
// means empty). A failing case (status != 0, except export-word's false result) prints nothing.
struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err = "";
    std::vector<std::string> env = {};
};

const std::string kFan = "\xe7\xa4\xac", kKan = "\xe7\xa3\xa1";    // 礬 磡 (UTF-8)
const std::string kZhuang = "\xe6\xa1\xa9\xe5\x8f\xb7";            // 桩号
const std::string kValue = "\xe5\x80\xbc", kKey = "\xe9\x94\xae";  // 值 键

class Cli : public testing::Test {
  protected:
    void SetUp() override {
        writeFile(d + "/runs.json",
                  R"({"tables": [[["A","x","x"],["A","y","x"],["B","z"],["",1,"1"],["","1","1"]],)"
                  R"( [["k","k","k"]]], "other": {"skipped": [[{}]]}})");
        writeFile(d + "/actions.json",
                  "{\"tables\": [[[\"" + kZhuang +
                      "\", \"\"], [\"1\", \"2\"]]], "
                      "\"actions\": [[{\"type\": 1, \"index\": 0, \"sp\": 0, \"ep\": -1}]]}");
        writeFile(d + "/fixed.json", R"({"tables": [[["a", "b"]], [["c"]]], "fixedCells": )"
                                     R"([[{"row":0,"col":0,"colExtent":1}]]})");
        writeFile(d + "/dupes.json", R"({"tables": [[["same"]], [["same"]]], "actions": []})");
        writeFile(d + "/both.json", R"({"tables": [], "fixedCells": [], "actions": []})");
        ostest::writeScript(d + "/zenity",
                            "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.log\"\nexit 1\n");
        std::string rows = "{\"tables\": [[";
        for (int r = 0; r < 1048576; ++r) rows += "[],";
        writeFile(d + "/toomany.json", rows + "[\"x\"]]]}");
        writeFile(d + "/deep.json", "{\"skipped\": " + std::string(100000, '['));
        writeFile(d + "/cellobj.json", R"({"tables": [[["a", {"b": 1}]]]})");
        writeFile(d + "/tree.ini", "[Tree]\r\n1=Root\r\n2=*\xb5\x5c\r\n3=**Leaf");
        writeFile(d + "/old.xlsx", "old bytes");
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
    const std::string act = R"({"type":2,"index":0,"sp":0,"ep":-1})";
    // clang-format off
    check({
        // Usage errors: exit 2, one JSON line on standard error.
        {{}, 2, "", "{\"error\":\"usage: tqtool --version | COMMAND"},
        {{"read", "x.xlsx", "--bogus"}, 2, "", "(unknown option --bogus)\"}\n"},
        {{"read", "x.xlsx", "extra"}, 2, "", "usage: tqtool read FILE"},
        {{"msgbox", "t", "--buttons", "abc"}, 2, "", "--buttons takes a whole number"},
        {{"runs", "--action", act}, 2, "", "(--in is required)"},
        {{"export-excel", "--in", "$D/fixed.json"}, 2, "", "--out is required without --show"},
        {{"util", "NthSpaceStr", "x"}, 2, "", "usage: tqtool util NthSpaceStr TEXT N\"}"},
        {{"util", "GetStrForInt", "twelve"}, 2, "", "(argument 1 must be an integer: twelve)"},
        {{"util", "NoSuchFunction"}, 2, "", "unknown function NoSuchFunction"},
        {{"ini", "$D/c.ini", "get", "onlyone"}, 2, "", "usage: tqtool ini FILE get SECTION KEY"},
        {{"ini", "$D/c.ini", "bogus"}, 2, "", "unknown action bogus"},
        {{"info"}, 2, "", "TQTOOL_MAX_CELLS must be a whole number", {"TQTOOL_MAX_CELLS=12x"}},
        {{"info"}, 2, "", "TQTOOL_MAX_JSON_DEPTH must be", {"TQTOOL_MAX_JSON_DEPTH=0"}},
        {{"info"}, 0, "{\"library\":\"libtqtool100.so\",\"version\":\"1.0.0\"}\n"},
        {{"--version"}, 0, "tqtool 1.0.0\n"},
        // Failures: exit 1, nothing on standard output.
        {{"read", "$D/missing.xlsx"}, 1, "", "{\"error\":\"cannot open the workbook: "},
        {{"workbook", "dump", "$D/tree.ini"}, 1, "", "{\"code\":-2147467259,\"error\":\"cannot read workbook '$D/tree.ini'"},
        {{"util", "NthSpaceStr", "one two", "3"}, 1, "", "{\"error\":"},
        {{"util", "StrArrFindStr", "a,b", "a", "-1"}, 1, "", "{\"error\":"},
        {{"runs", "--in", "$D/runs.json", "--table", "2", "--action", act}, 1, "", "no table 2"},
        {{"runs", "--in", "$D/deep.json", "--action", act}, 1, "", "nested deeper than 256 levels (limit maxJsonDepth"},
        {{"runs", "--in", "$D/runs.json", "--action", act}, 1, "", "nested deeper than 3", {"TQTOOL_MAX_JSON_DEPTH=3"}},
        {{"runs", "--in", "$D/runs.json", "--action", act}, 1, "", "limit maxTextFileBytes", {"TQTOOL_MAX_TEXT_FILE_BYTES=20"}},
        {{"runs", "--in", "$D/fifo.json", "--action", act}, 1, "", "cannot read $D/fifo.json: "},
        {{"runs", "--in", "$D", "--action", act}, 1, "", "it is a folder"},
        {{"runs", "--in", "$D/tree.ini", "--action", act}, 1, "", "parse error"},
        {{"runs", "--in", "$D/runs.json", "--action", "{\"type\":\"merge\"}"}, 1, "", "unknown action type merge"},
        {{"export-excel", "--in", "$D/cellobj.json", "--out", "$D/x.xlsx"}, 1, "", "a cell must be a string, number, boolean or null"},
        {{"export-excel", "--in", "$D/both.json", "--out", "$D/x.xlsx"}, 1, "", "give either \\\"fixedCells\\\" or"},
        {{"export-excel", "--in", "$D/fixed.json", "--out", "$D/folder.xlsx"}, 1, "", "cannot write '$D/folder.xlsx'"},
        {{"export-excel", "--in", "$D/fixed.json", "--out", "/dev/null"}, 1, "", "cannot write '/dev/null'"},
        {{"files", "clear", "$D/none"}, 1, "", "\"left\":[]}"},
        {{"files", "copy", "$D/none", "$D/copy"}, 1, "", "{\"error\":"},
        // Results: one line of JSON (texts UTF-8 both ways; GBK trail bytes are no ASCII).
        {{"util", "Str2StrArr", kZhuang + ",x", ","}, 0, "{\"array\":[\"" + kZhuang + "\",\"x\"]}\n"},
        {{"util", "--into", "[\"q\"]", "Str2StrArr", "k:a,b", ":", ","}, 0, "{\"array\":[\"q\",\"k\",\"a\",\"b\"]}\n"},
        {{"util", "StrArrFindStr", "a,b,ab", "a", "0", "--into", "[9]"}, 0, "{\"indices\":[9,0,2],\"result\":true}\n"},
        {{"util", "FindChNumInStr", kFan + "\\a\\", "\\"}, 0, "{\"positions\":[3,5],\"result\":2}\n"},
        {{"util", "StrAlltrim", " " + kFan + ", " + kKan + "|"}, 0, "{\"result\":\"" + kFan + kKan + "\",\"text\":\"" + kFan + kKan + "\"}\n"},
        {{"util", "StrArr2Str", "[\"a-b\",\"c\"]", "-"}, 0, "\"ab-c\"\n"},
        {{"util", "FindPos", "a,b,c", "x"}, 0, "{\"position\":-1,\"result\":false}\n"},
        {{"util", "StrArrFindStr", "[\"Alpha\",\"ALPHA\"]", "alpha", "0", "false"}, 0, "{\"index\":0,\"result\":true}\n"},
        {{"util", "StrInStrArr", "abc", "ABC", "1"}, 0, "false\n"},
        {{"util", "GetStrForDoulbe", "2.675", "2"}, 0, "\"2.68\"\n"},
        {{"util", "Str2RGB", "255,128,0", ","}, 0, "33023\n"},
        {{"util", "FloatComp", "1.0", "1.5", "0.5"}, 0, "0\n"},
        {{"util", "Dms2d", "13", "0", "0"}, 0, "0.22689280275926282\n"},
        {{"util", "D2dmsStr", "0.22689280275926282"}, 0, "\"13d0'0\\\"\"\n"},
        {{"util", "D2dmsStr", "-0.5235987755982988"}, 0, "\"-30d0'0\\\"\"\n"},
        {{"util", "Swap", "1e20", "-0.00001"}, 0, "{\"a\":-1e-05,\"b\":1e+20}\n"},
        {{"util", "Space", "2"}, 0, "\"  \"\n"},
        {{"util", "Str2Vector", "a\x01\"\\\n,b", ","}, 0, "{\"vector\":[\"a\\u0001\\\"\\\\\\n\",\"b\"]}\n"},
        {{"read", "$D/\xff.xlsx"}, 1, "", "cannot open the workbook: $D/\xEF\xBF\xBD.xlsx\"}\n"},
        {{"util", "toStr", "{\"type\":\"unionRow\",\"index\":2}"}, 0, "\"unionRow, row=2, sp=0, ep=0\"\n"},
        {{"runs", "--in", "$D/runs.json", "--action", act}, 0, "{\"action\":\"unionCol, col=0, sp=0, ep=-1\",\"runs\":[[0,2],[3,5]]}\n"},
        {{"runs", "--in", "$D/runs.json", "--action", "{\"type\":\"unionCol\",\"index\":2}"}, 0, "{\"action\":\"unionCol, col=2, sp=0, ep=0\",\"runs\":[]}\n"},
        {{"runs", "--in", "$D/runs.json", "--action", R"({"type":2,"index":2,"sp":0,"ep":-1})"}, 0, "{\"action\":\"unionCol, col=2, sp=0, ep=-1\",\"runs\":[[0,2],[3,5]]}\n"},
        {{"runs", "--in", "$D/runs.json", "--table", "1", "--action", R"({"type":1,"ep":-1})"}, 0, "{\"action\":\"unionRow, row=0, sp=0, ep=-1\",\"runs\":[[0,3]]}\n"},
        {{"ini", "$D/c.ini", "set", "s", kKey, kValue + " -1"}, 0, "{\"ok\":true}\n"},
        {{"ini", "$D/c.ini", "get", "s", kKey}, 0, "{\"value\":\"" + kValue + " -1\"}\n"},
        {{"ini", "$D/c.ini", "set", "other", "n", "-5"}, 0, "{\"ok\":true}\n"},
        {{"ini", "$D/c.ini", "set", "other", "a=b", "1"}, 1, "", "nothing was written to '$D/c.ini'"},
        {{"ini", "$D/c.ini", "sections"}, 0, "{\"sections\":[\"s\",\"other\"]}\n"},
        {{"ini", "$D/c.ini", "entries", "other"}, 0, "{\"entries\":[{\"key\":\"n\",\"value\":\"-5\"}]}\n"},
        {{"ini", "$D/c.ini", "find", "N"}, 0, "{\"found\":true,\"value\":\"-5\"}\n"},
        {{"ini", "$D/c.ini", "del", "other", "n"}, 0, "{\"ok\":true}\n"},
        {{"ini", "$D/c.ini", "find", "n"}, 0, "{\"found\":false}\n"},
    });
    // clang-format on
    // The file is GBK, CRLF.
    EXPECT_EQ(readFile(d + "/c.ini"), "[s]\r\n\xbc\xfc=\xd6\xb5 -1\r\n[other]\r\n");
    const std::vector<std::string> desktop{"PATH=$D:/usr/bin:/bin", "DISPLAY=:93",
                                           "WAYLAND_DISPLAY", "TQTOOL_MSGBOX"};
    // clang-format off
    check({
        {{"ini", "$D/c.ini", "del", "s"}, 0, "{\"ok\":true}\n"},
        {{"ini", "$D/c.ini", "sections"}, 0, "{\"sections\":[\"other\"]}\n"},
        {{"tree", "$D/none.txt"}, 0, "{\"keys\":[],\"levels\":[],\"names\":[],\"result\":0}\n"},
        {{"tree", "$D/tree.ini"}, 0, "{\"keys\":[\"1\",\"2\",\"3\"],\"levels\":[0,1,2],\"names\":[\"Root\",\"" + kFan + "\",\"Leaf\"],\"result\":1}\n"},
        {{"scale", "TQGIS_XZ2000"}, 0, "\"1:2000\"\n"},
        {{"msgbox", "hello", "--caption", "C"}, 0, "1\n", "[C] hello\n", {"TQTOOL_MSGBOX=stderr"}},
        {{"msgbox", "hello", "--kind", "?", "--buttons", "5"}, 0, "0\n", "hello", {"TQTOOL_MSGBOX=stderr"}},
        {{"msgbox", "hello", "--buttons", "7"}, 0, "0\n", "", {"TQTOOL_MSGBOX=stderr"}},
        // Closing the dialog: No for Yes/No (flags 4), Cancel for Yes/No/Cancel.
        {{"msgbox", "x", "--type", "4", "--caption", "C"}, 0, "7\n", "", desktop},
        {{"msgbox", kFan + "?", "--kind", "?", "--buttons", "6", "--caption", "C"}, 0, "2\n", "", desktop},
    });
    // clang-format on
    const std::string args = readFile(d + "/zenity.log").value_or("");
    EXPECT_EQ(args.rfind("--question\n", 0), 0u) << args;
    EXPECT_NE(args.find("--text=" + kFan + "?\n"), std::string::npos) << args;
    EXPECT_NE(args.find("--title=C\n"), std::string::npos) << args;
}

TEST_F(Cli, ExportsReplaceTheOutputOnlyWhenComplete) {
    const std::string F = d + "/old.xlsx";
    // clang-format off
    check({
        // A failing export leaves the old file byte for byte, whatever the form.
        {{"export-excel", "--in", "$D/toomany.json", "--out", F}, 1, "", "\"code\":"},
        {{"export-excel", "--in", "$D/dupes.json", "--out", F}, 1, "", "already exists"},
        {{"export-excel", "--in", "$D/fixed.json", "--out", F}, 1, "", "no spreadsheet server", {"TQTOOL_OFFICE=none", "TQTOOL_MSGBOX=stderr"}},
    });
    // clang-format on
    EXPECT_EQ(readFile(F), "old bytes");
    // clang-format off
    check({
        // Through the link: the link stays, the file it names is replaced.
        {{"export-excel", "--in", "$D/actions.json", "--out", "$D/link.xlsx"}, 0, "{\"file\":\"$D/link.xlsx\",\"form\":\"actions\",\"tables\":1}\n"},
        {{"workbook", "dump", F}, 0, "{\"date1904\":false,\"file\":\"" + F + "\",\"sheets\":[{\"cells\":[{\"col\":1,\"ref\":\"A1\",\"row\":1,\"text\":\"" + kZhuang + "\",\"type\":\"string\"},{\"col\":1,\"ref\":\"A2\",\"row\":2,\"text\":\"1\",\"type\":" "\"number\"},{\"col\":2,\"ref\":\"B2\",\"row\":2,\"text\":\"2\",\"type\":\"number\"}]," "\"columns\":2,\"kind\":\"worksheet\",\"merged\":[\"A1:B1\"],\"name\":\"" + kZhuang + "\",\"rows\":2,\"usedRange\":\"A1:B2\"}]}\n"},
        // The open-workbook form builds a new workbook: nothing of the old one is kept.
        {{"export-excel", "--in", "$D/fixed.json", "--out", F}, 0, "{\"file\":\"" + F + "\",\"form\":\"open-workbook\",\"tables\":2}\n"},
        {{"read", F, "--all", "--merged"}, 0, "{\"title\":\"a\",\"rows\":1,\"cols\":2,\"header\":[\"\",\"\"],\"data\":[[\"a\",\"\"]],\"merged\":[" "[1,1,1,2],[1,2,1,2]]}\n"},
        {{"workbook", "convert", F, "$D/out.csv"}, 0, "{\"from\":\"" + F + "\",\"sheets\":2,\"to\":\"$D/out.csv\"}\n"},
    });
    // clang-format on
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
             F},
            d);
    EXPECT_EQ(py.out, "['a', 'c'] ['A1:B1']\n") << py.err;
}

TEST_F(Cli, ExportWordSavesOnlyASuccessfulDocument) {
    writeFile(d + "/w.json", "{\"titles\": [\"" + kFan +
                                 "\", \"two\"], \"tables\": [[[\"k\",\"Y\",\"Y\"],"
                                 "[\"A\",\"1\",\"2\"],[\"A\",\"3\",\"4\"]], [[\"x\", null, 5]]], "
                                 "\"actions\": [[{\"type\":1,"
                                 "\"index\":0,\"sp\":0,\"ep\":-1},{\"type\":\"unionCol\",\"index\":"
                                 "0,\"sp\":1,\"ep\":-1}]]}");
    writeFile(d + "/bad.json", R"({"titles": ["a"], "tables": [[]]})");
    const std::vector<std::string> env{"TQTOOL_OFFICE_DIR=$D/show", "TQTOOL_MSGBOX=stderr"};
    // clang-format off
    check({
        {{"export-word", "--in", "$D/w.json", "--out", "$D/out " + kFan + ".docx", "--landscape"}, 0, "{\"file\":\"$D/out " + kFan + ".docx\",\"result\":true}\n", "", env},
        {{"export-word", "--no-merge", "--in", "$D/w.json"}, 0, "{\"file\":\"$D/show/Document1.docx\",\"result\":true}\n", "", env},
        // A table without rows: false, exit 1, the old file stays.
        {{"export-word", "--in", "$D/bad.json", "--out", "$D/old.xlsx"}, 1, "{\"result\":false}\n", "\xe7\xbb\x98\xe5\x88\xb6\xe8\xa1\xa8\xe6\xa0\xbc", env},
    });
    // clang-format on
    EXPECT_EQ(readFile(d + "/old.xlsx"), "old bytes");
    const auto dump = [&](const std::string& file) {
        return run({TQTEST_PYTHON, TQTEST_SOURCE_DIR "/tests/word_dump.py", file}, d).out;
    };
    const std::string merged = dump(d + "/out " + kFan + ".docx");
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
    writeFile(d + "/k.csv", "a,1,TRUE\r\n");
    const std::string cell = R"({"col":%C,"ref":"%R1","row":1,"text":"%T","type":"%Y"})";
    const auto c = [&](const char* col, const char* ref, const std::string& text,
                       const char* type) {
        return replaceAll(
            replaceAll(replaceAll(replaceAll(cell, "%C", col), "%R", ref), "%T", text), "%Y", type);
    };
    // clang-format off
    check({
        {{"workbook", "dump", "$D/kinds.xlsx"}, 0, "{\"date1904\":false,\"file\":\"$D/kinds.xlsx\",\"sheets\":[{\"cells\":[" + c("1", "A", "a\\tb", "string") + "," + c("2", "B", "1.5", "number") + "," + c("3", "C", "TRUE", "boolean") + "," + c("4", "D", "2023/3/15", "date") + "," + c("5", "E", "#DIV/0!", "error") + "],\"columns\":5,\"kind\":\"worksheet\",\"merged\":[\"A3:B3\"],\"name\":\"T\"," "\"rows\":3,\"usedRange\":\"A1:E3\"}]}\n"},
        {{"workbook", "convert", "$D/k.csv", "$D/k.xlsx"}, 0, "{\"from\":\"$D/k.csv\",\"sheets\":1,\"to\":\"$D/k.xlsx\"}\n"},
        {{"workbook", "dump", "$D/k.xlsx"}, 0, "{\"date1904\":false,\"file\":\"$D/k.xlsx\",\"sheets\":[{\"cells\":[" + c("1", "A", "a", "string") + "," + c("2", "B", "1", "number") + "," + c("3", "C", "TRUE", "boolean") + "],\"columns\":3,\"kind\":\"worksheet\",\"merged\":[],\"name\":\"k\",\"rows\":1," "\"usedRange\":\"A1:C1\"}]}\n"},
        {{"workbook", "convert", "$D/k.csv", "$D/folder.xlsx"}, 1, "", "cannot write '$D/folder.xlsx'"},
    });
    // clang-format on
}

}  // namespace
