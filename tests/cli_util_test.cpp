// The tqtool program's util and runs commands: UTF-8 in, JSON out, errors as {"error": ...} with
// exit code 1.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace {

using nlohmann::json;

struct Result {
    int status = -1;
    std::string out;
    json j;
};

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

Result tqtool(const std::vector<std::string>& args) {
    std::string cmd = quote(TQTEST_CLI);
    for (const auto& a : args) cmd += " " + quote(a);
    cmd += " 2>/dev/null";
    Result r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.j = json::parse(r.out, nullptr, false);
    return r;
}

TEST(CliUtil, StringFunctionsWithUtf8AndArrays) {
    // "桩号,里程,高程" in UTF-8; 桩 is "\xd7\xae" in GBK.
    auto r = tqtool({"util", "Str2StrArr",
                     "\xe6\xa1\xa9\xe5\x8f\xb7,\xe9\x87\x8c\xe7\xa8\x8b,\xe9\xab\x98", ","});
    ASSERT_EQ(0, r.status) << r.out;
    EXPECT_EQ(
        json({{"array", {"\xe6\xa1\xa9\xe5\x8f\xb7", "\xe9\x87\x8c\xe7\xa8\x8b", "\xe9\xab\x98"}}}),
        r.j);

    // Results are appended to --into; two separators.
    r = tqtool({"util", "--into", "[\"q\"]", "Str2StrArr", "k:a,b", ":", ","});
    EXPECT_EQ(json({{"array", {"q", "k", "a", "b"}}}), r.j) << r.out;

    // 礬 (GBK trail byte '\') keeps its backslash out of the count and the cleaning.
    r = tqtool({"util", "FindChNumInStr", "\xe7\xa4\xac\\a\\", "\\"});
    EXPECT_EQ(json({{"result", 2}, {"positions", {3, 5}}}), r.j) << r.out;
    r = tqtool({"util", "StrAlltrim", " \xe7\xa4\xac, \xe7\xa3\xa1|"});
    EXPECT_EQ(json({{"result", "\xe7\xa4\xac\xe7\xa3\xa1"}, {"text", "\xe7\xa4\xac\xe7\xa3\xa1"}}),
              r.j)
        << r.out;

    r = tqtool({"util", "StrArr2Str", "[\"a-b\",\"c\"]", "-"});
    EXPECT_EQ(json("ab-c"), r.j) << r.out;
    r = tqtool({"util", "FindPos", "a,b,c", "x"});
    EXPECT_EQ(json({{"result", false}, {"position", -1}}), r.j) << r.out;
    r = tqtool({"util", "StrArrFindStr", "[\"Alpha\",\"ALPHA\"]", "alpha", "0", "false"});
    EXPECT_EQ(json({{"result", true}, {"index", 0}}), r.j) << r.out;
    r = tqtool({"util", "StrInStrArr", "abc", "ABC", "1"});
    EXPECT_EQ(json(false), r.j) << r.out;
}

TEST(CliUtil, NumberFunctionsAndRoundTrip) {
    auto r = tqtool({"util", "GetStrForDoulbe", "2.675", "2"});
    EXPECT_EQ(json("2.68"), r.j) << r.out;
    r = tqtool({"util", "Str2RGB", "255,128,0", ","});
    EXPECT_EQ(json(33023), r.j) << r.out;
    r = tqtool({"util", "FloatComp", "1.0", "1.5", "0.5"});
    EXPECT_EQ(json(0), r.j) << r.out;
    r = tqtool({"util", "Dms2d", "13", "0", "0"});
    ASSERT_TRUE(r.j.is_number_float()) << r.out;
    // The printed radians read back exactly, and the whole degree survives the round trip.
    r = tqtool({"util", "D2dmsStr", r.j.dump()});
    EXPECT_EQ(json("13d0'0\""), r.j) << r.out;
    r = tqtool({"util", "D2dmsStr", "-0.5235987755982988"});
    EXPECT_EQ(json("-30d0'0\""), r.j) << r.out;
}

TEST(CliUtil, ErrorsAreJsonWithExitCodeOne) {
    auto r = tqtool({"util", "NthSpaceStr", "one two", "3"});
    EXPECT_EQ(1, r.status);
    ASSERT_TRUE(r.j.is_object()) << r.out;
    EXPECT_TRUE(r.j.contains("error"));
    r = tqtool({"util", "StrArrFindStr", "a,b", "a", "-1"});
    EXPECT_EQ(1, r.status);
    EXPECT_TRUE(r.j.contains("error")) << r.out;
    r = tqtool({"util", "NoSuchFunction"});
    EXPECT_EQ(1, r.status);
    EXPECT_TRUE(r.j.contains("error")) << r.out;
    r = tqtool({"util", "GetStrForInt", "twelve"});
    EXPECT_EQ(1, r.status);
    EXPECT_TRUE(r.j.contains("error")) << r.out;
}

TEST(CliRuns, RunsOfAColumnAndARow) {
    std::string path = std::string(TQTEST_BINARY_DIR) + "/cli_runs_table.json";
    {
        std::ofstream f(path);
        f << R"({"tables": [[["A","x","x"],["A","y","x"],["B","z"],["",1,"1"],["","1","1"]],)"
          << R"( [["k","k","k"]]]})";
    }
    auto r = tqtool({"runs", "--in", path, "--action", R"({"type":2,"index":0,"sp":0,"ep":-1})"});
    ASSERT_EQ(0, r.status) << r.out;
    EXPECT_EQ(json({{"action", "unionCol, col=0, sp=0, ep=-1"}, {"runs", {{0, 2}, {3, 5}}}}), r.j);
    // Missing members are 0: an empty span.
    r = tqtool({"runs", "--in", path, "--action", R"({"type":"unionCol","index":2})"});
    EXPECT_EQ(json::array(), r.j["runs"]) << r.out;
    // Column 2: the short row 2 has no cell there and splits the column; numbers are texts.
    r = tqtool({"runs", "--in", path, "--action", R"({"type":2,"index":2,"sp":0,"ep":-1})"});
    EXPECT_EQ(json({{0, 2}, {3, 5}}), r.j["runs"]) << r.out;
    r = tqtool({"runs", "--in", path, "--table", "1", "--action",
                R"({"type":1,"index":0,"sp":0,"ep":-1})"});
    EXPECT_EQ(json({{0, 3}}), r.j["runs"]) << r.out;
    r = tqtool({"runs", "--in", path, "--table", "2", "--action", R"({"type":1})"});
    EXPECT_EQ(1, r.status);
    EXPECT_TRUE(r.j.contains("error")) << r.out;
    std::remove(path.c_str());
}

}  // namespace
