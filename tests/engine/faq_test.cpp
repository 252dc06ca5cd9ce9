// A realistic FAQ of 32 sections and 11 sub-sections, split end to end. The
// expected pages in tests/data are stored byte for byte (CR LF, ISO 8859-1).
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>

#include "engine.h"
#include "pages.h"
#include "recording_host.h"
#include "temp_dir.h"
#include "test_engine.h"

namespace torvex {
namespace {

using testing::ReadFile;
using testing::RecordingHost;
using testing::TempDir;
using testing::TestEngine;

const std::string DataDir = TORVEX_TEST_DATA;

const char* const SectionPages[] = {
    "1",  "2",  "2_1", "2_2",  "3",  "4",  "5",  "5_1",    "5_2", "5_3", "6",  "7",  "8",  "9",   "9_1",
    "10", "11", "12",  "12_1", "12_2", "12_2_1", "13", "14", "15",  "16",  "17", "18", "19", "20",  "20_1",
    "21", "22", "23",  "24",   "25", "26", "27",  "27_1",   "28",  "29",  "30", "31", "32"};

class FaqConversion : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(DataDir + "/faq.txt", dir_ / "faq.txt");
        std::string input = dir_ / "faq.txt", output = "FAQ", title = "Torvex FAQ";
        int mode = 2;
        bool stamp = true;
        engine_.Processing = true;
        ok_ = engine_.ConvertFile(input, output, title, mode, stamp);
        output_ = output;
    }

    std::string Page(const std::string& name) const { return ReadFile(dir_ / (name + ".html")); }

    TempDir dir_;
    RecordingHost host_;
    TestEngine engine_{host_};
    bool ok_ = false;
    std::string output_;
};

TEST_F(FaqConversion, WritesTheContentsPageAndOnePagePerHeading) {
    EXPECT_TRUE(ok_);
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(output_, dir_ / "32.html");
    std::set<std::string> expected = {"faq.txt", "contents.html"};
    for (const char* page : SectionPages) expected.insert(std::string(page) + ".html");
    std::set<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) written.insert(entry.path().filename());
    EXPECT_EQ(written, expected);
}

TEST_F(FaqConversion, PagesMatchTheirExpectedBytes) {
    for (const std::string name : {"contents", "7", "12_2_1", "32"}) {
        SCOPED_TRACE(name);
        const std::string expected = ReadFile(DataDir + "/faq_" + name + ".html");
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(Page(name), expected);
    }
}

// Every page between the first and the last points back to the contents
// page; only the last one carries the navigation bar.
TEST_F(FaqConversion, EveryPageIsCompleteAndLinkedBackToTheContents) {
    const std::string back = "<H2><A HREF=\"contents.html\">Contents Page</A></H2>\r\n" + testing::PageFoot(
                                                                                               " on 05-Mar-2027 at 14:07:09<BR>");
    EXPECT_FALSE(Page("contents").ends_with(back));
    for (const char* name : SectionPages) {
        SCOPED_TRACE(name);
        const std::string page = Page(name);
        EXPECT_TRUE(page.starts_with("<!DOCTYPE html PUBLIC"));
        EXPECT_TRUE(page.ends_with("</HTML>\r\n"));
        const bool last = std::string(name) == "32";
        EXPECT_EQ(page.ends_with(back), !last);
        EXPECT_EQ(page.find("Vantry FAQ Contents") != std::string::npos, last);
    }
}

}  // namespace
}  // namespace torvex
