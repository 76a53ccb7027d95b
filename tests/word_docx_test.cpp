// Documents written by WordTable / WordTable2, read back with
// python-docx: order of titles and tables, texts, sizes, alignments, merged cells, page
// orientation.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "automation/servers.h"
#include "office/document/word_engine.h"
#include "support/engine_support.h"
#include "support/require.h"
#include "text/text.h"
#include "tqtool/export.h"
#include "tqtool/messagebox.h"

namespace {

using json = nlohmann::json;

const std::string kFan = "\xb5\x5c";   // 礬
const std::string kKan = "\xb4\x7c";   // 磡
const std::string kHou = "\xb3\x40";   // 矦
const std::string kBiao = "\xb1\xed";  // 表

std::string utf8(const std::string& gbk) {
    return tq::text::gbkToUtf8(gbk);
}

/// The document as python-docx reads it.
json dump(const std::string& path) {
    const auto script = ostest::readFile(TQTEST_SOURCE_DIR "/tests/word_dump.py");
    return json::parse(tqtest::RunPython(script.value_or(""), path), nullptr, false);
}

/// The file the last export was shown in.
std::string lastShown() {
    tq::automation::CLSID clsid;
    tq::automation::DispatchPtr app;
    if (tq::automation::CLSIDFromProgID("Word.Application", clsid) != tq::hresult::S_OK_ ||
        tq::automation::GetActiveObject(clsid, app) != tq::hresult::S_OK_)
        return {};
    auto docs = tq::office::word::DocumentsOf(app);
    return docs.empty() ? std::string() : docs.back()->shownFile;
}

class WordDocx : public ::testing::Test {
  protected:
    WordDocx() : env("TQTOOL_OFFICE_DIR", dir.path().c_str()), open("TQTOOL_OFFICE_OPEN", "0") {
        previous = tq::SetMessageBoxHandler(
            [this](const tq::String& text, const tq::String&, unsigned, tq::WindowHandle) {
                boxes.push_back(text);
                return tq::mb::IDOK;
            });
    }
    ~WordDocx() override { tq::SetMessageBoxHandler(previous); }
    void SetUp() override { TQ_REQUIRE(tqtest::HavePythonModule("docx"), "python3-docx"); }

    ostest::TempDir dir;
    ostest::ScopedEnv env, open;
    std::vector<std::string> boxes;
    tq::MessageBoxHandler previous;
};

const std::vector<tq::String> kTitles{kBiao + kFan, kKan + kHou};
const tq::TableSet kTables{{{"k", "Y", "Y", "Y"},
                            {"A", "1", "2", "3"},
                            {"A", "4", "5", "6"},
                            {"A", "7", "8", "9"},
                            {"z", "x", "x", "w"}},
                           {{kFan, kFan}, {"p", "q"}}};
const std::vector<std::vector<tq::action>> kActions{
    {tq::action(tq::unionRow, 0, 0, -1), tq::action(tq::unionCol, 0, 0, -1)},
    {tq::action(tq::unionRow, 0, 0, -1)}};

TEST_F(WordDocx, TitledTablesWithMergesInLandscape) {
    ASSERT_TRUE(tq::WordTable(kTitles, kTables, kActions, false));
    EXPECT_TRUE(boxes.empty());
    std::string file = lastShown();
    ASSERT_EQ(file, dir.path() + "/Document1.docx");
    json d = dump(file);
    const json& body = d["body"];
    ASSERT_EQ(body.size(), 5u) << d.dump(1);
    // Title, table, title, table, and the paragraph after the last table.
    for (size_t i : {0u, 1u}) {
        EXPECT_EQ(body[2 * i]["p"], utf8(kTitles[i]));
        EXPECT_EQ(body[2 * i]["align"], 1);
        EXPECT_EQ(body[2 * i]["sizes"], json::array({16.0}));
    }
    EXPECT_EQ(body[4]["p"], "");

    const json& t1 = body[1];
    EXPECT_EQ(t1["align"], 1);
    EXPECT_EQ(t1["table"], json::parse(R"([["k","Y","Y","Y"],["A","1","2","3"],["A","4","5","6"],
                                            ["A","7","8","9"],["z","x","x","w"]])"));
    // Columns 1-3 of row 0 are one cell; rows 1-3 of column 0 are one cell, centred vertically.
    EXPECT_EQ(t1["groups"],
              json::parse(R"([[0,1,1,1],[4,5,6,7],[4,9,10,11],[4,13,14,15],[16,17,18,19]])"))
        << "row 4 holds x, x but no action covers it";
    EXPECT_EQ(t1["valign"][1][0], "center");
    EXPECT_TRUE(t1["valign"][0][1].is_null());

    const json& t2 = body[3];
    EXPECT_EQ(t2["align"], 1);
    EXPECT_EQ(t2["table"],
              json::parse("[[\"" + utf8(kFan) + "\",\"" + utf8(kFan) + "\"],[\"p\",\"q\"]]"));
    EXPECT_EQ(t2["groups"], json::parse("[[0,0],[2,3]]"));

    EXPECT_EQ(d["orientation"], 1);
    EXPECT_GT(d["width"].get<long>(), d["height"].get<long>());
}

TEST_F(WordDocx, ShortRowsAndTheirMerges) {
    // Missing cells are written empty and take part in runs as empty texts.
    tq::TableSet tables{{{"h", "i", "j"}, {"a"}, {"a", "", "m"}}};
    ASSERT_TRUE(tq::WordTable(
        {"t"}, tables, {{tq::action(tq::unionCol, 1, 0, -1), tq::action(tq::unionCol, 0, 0, 9)}},
        true));
    json d = dump(lastShown());
    const json& t = d["body"][1];
    EXPECT_EQ(t["table"], json::parse(R"([["h","i","j"],["a","",""],["a","","m"]])"));
    EXPECT_EQ(t["groups"], json::parse("[[0,1,2],[3,4,5],[3,4,8]]"));
}

}  // namespace
