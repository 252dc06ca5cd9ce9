// The tables of whole conversions in tests/data: bodies.txt (single pages,
// one a row), shapes.txt (the bodies of modern pages) and pages.txt (inputs
// whose every page is kept as a file).
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "engine.h"
#include "recording_host.h"
#include "table.h"
#include "temp_dir.h"
#include "test_engine.h"

namespace torvex {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::ReadTable;
using testing::RecordingHost;
using testing::Row;
using testing::TempDir;
using testing::TestEngine;
using testing::WriteFile;

const std::string DataDir = TORVEX_TEST_DATA;

CharacterSet SetNamed(const std::string& name) {
    return name == "utf-8" ? CharacterSet::Utf8 : name == "latin-1" ? CharacterSet::Latin1 : CharacterSet::Auto;
}

std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
    return names;
}

// The page of a row's input (its third field), converted in the line-break
// mode and character set its first two name, titled "T".
std::string PageOfRow(const Row& row, PageOptions::Style style, RecordingHost& host) {
    TempDir dir;
    WriteFile(dir / "in.txt", row[2]);
    TestEngine engine(host);
    engine.Processing = true;
    engine.Encoding = SetNamed(row[1]);
    engine.Page.style = style;
    std::string in = dir / "in.txt", out = dir / "out.html", title = "T";
    int mode = std::stoi(row[0]);
    bool stamp = false;
    EXPECT_TRUE(engine.ConvertFile(in, out, title, mode, stamp));
    return ReadFile(out);
}

TEST(ConvertFile, BodiesTable) {
    for (const auto& row : ReadTable(DataDir + "/bodies.txt", 5)) {
        SCOPED_TRACE("mode " + row[0] + ", input " + row[2].substr(0, 60));
        RecordingHost host;
        const std::string page = PageOfRow(row, PageOptions::Style::Classic, host);
        EXPECT_TRUE(host.messages.empty());
        const std::string charset = "charset=" + row[3] + "\"", h1 = "<H1>T</H1>\r\n\r\n\r\n", foot = "<HR><ADDRESS>";
        EXPECT_NE(page.find(charset), std::string::npos);
        const size_t body = page.find(h1) + h1.size();
        ASSERT_NE(page.find(h1), std::string::npos);
        EXPECT_EQ(page.substr(body, page.rfind(foot) - body), row[4]);
    }
}

// The shape of a text on a modern page: the body (what main holds) of each
// input of tests/data/shapes.txt, in each line-break mode it names.
TEST(ConvertFile, ShapesTable) {
    for (const auto& row : ReadTable(DataDir + "/shapes.txt", 4)) {
        SCOPED_TRACE("mode " + row[0] + ", input " + row[2].substr(0, 60));
        RecordingHost host;
        const std::string page = PageOfRow(row, PageOptions::Style::Modern, host), open = "<main>\n", close = "</main>\n";
        const size_t body = page.find(open) + open.size();
        ASSERT_NE(page.find(open), std::string::npos);
        EXPECT_EQ(page.substr(body, page.rfind(close) - body), row[3]);
    }
}

TEST(ConvertFile, PagesTable) {
    const bool update = std::getenv("TORVEX_UPDATE_PAGES") != nullptr;
    for (const auto& row : ReadTable(DataDir + "/pages.txt", 4)) {
        SCOPED_TRACE(row[0] + " " + row[2]);
        const std::string expected = DataDir + "/" + row[3];
        TempDir root;
        std::string dir = root.path();
        RecordingHost host;
        TestEngine engine(host);
        engine.Processing = true;
        int mode = 2;
        bool stamp = false, split = false;
        std::istringstream options(row[2]);
        for (std::string option; options >> option;) {
            if (option == "split") split = true;
            else if (option == "stamp") stamp = true;
            else if (option == "modern") engine.Page.style = PageOptions::Style::Modern;
            else if (option.starts_with("lang=")) engine.Page.language = option.substr(5);
            else if (option.starts_with("css=")) engine.Page.stylesheets.push_back(option.substr(4));
            else if (option == "no-credit") engine.Page.credit = false;
            else if (option.starts_with("mode=")) mode = std::stoi(option.substr(5));
            else if (option.starts_with("in=")) fs::create_directory(dir += "/" + option.substr(3));
            else engine.Encoding = SetNamed(option);
        }
        const std::string name = fs::path(row[0]).filename();
        fs::copy_file(DataDir + "/" + row[0], dir + "/" + name);
        std::string in = dir + "/" + name, out = split ? std::string(SplitOutputName) : dir + "/page.html", title = row[1];
        EXPECT_TRUE(engine.ConvertFile(in, out, title, mode, stamp));
        EXPECT_TRUE(host.messages.empty());
        EXPECT_EQ(fs::path(out).parent_path(), fs::path(dir));  // the last page written, beside the input
        std::string warnings;
        for (const std::string& warning : host.warnings) warnings += warning + "\n";
        std::set<std::string> written = FilesIn(dir);
        written.erase(name);
        if (update) {
            fs::remove_all(expected);
            fs::create_directories(expected);
            for (const std::string& page : written) fs::copy_file(dir + "/" + page, expected + "/" + page);
            if (!warnings.empty()) WriteFile(expected + "/warnings", warnings);
            continue;
        }
        std::set<std::string> pages = FilesIn(expected);
        EXPECT_EQ(ReadFile(expected + "/warnings"), warnings);
        pages.erase("warnings");
        EXPECT_EQ(written, pages);
        for (const std::string& page : pages) EXPECT_EQ(ReadFile(dir + "/" + page), ReadFile(expected + "/" + page)) << page;
    }
}

}  // namespace
}  // namespace torvex
