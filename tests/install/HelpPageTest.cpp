// The help page is found beside the program in the build folder and in the installed tree.
#include "platform/HelpPage.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class HelpPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Unique per test and process: several builds may run these tests at once.
        root_ = fs::temp_directory_path() /
                ("velmora-helppage-" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                 "-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "usr/bin");
    }
    void TearDown() override { fs::remove_all(root_); }

    void Touch(const fs::path& relative) {
        fs::create_directories((root_ / relative).parent_path());
        std::ofstream(root_ / relative) << "<html></html>\n";
    }

    fs::path root_;
};

TEST_F(HelpPageTest, FoundBesideTheProgramOrInTheInstalledTree) {
    const fs::path installed = fs::path("usr/bin") / VELMORA_HELP_FROM_PROGRAM / "Help.html";
    struct Case {
        const char* name;
        std::vector<fs::path> files;
        fs::path expected;  // relative to the root; empty: not found
    };
    const std::vector<Case> cases = {
        {"build folder", {"usr/bin/Help/Help.html"}, "usr/bin/Help/Help.html"},
        {"installed", {installed}, installed.lexically_normal()},
        {"beside the program wins",
         {"usr/bin/Help/Help.html", installed},
         "usr/bin/Help/Help.html"},
        {"a Help folder without the page",
         {"usr/bin/Help/other.html", installed},
         installed.lexically_normal()},
        {"nowhere", {"usr/share/Help/Help.html"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root_);
        fs::create_directories(root_ / "usr/bin");
        for (const fs::path& f : c.files)
            Touch(f);
        // The program folder as the platform gives it: with a trailing separator.
        const fs::path found = velmora::FindHelpPage(root_ / "usr/bin/");
        EXPECT_EQ(found, c.expected.empty() ? fs::path() : root_ / c.expected);
        EXPECT_EQ(velmora::FindHelpFolder(root_ / "usr/bin/"),
                  c.expected.empty() ? fs::path() : (root_ / c.expected).parent_path());
    }
}

TEST_F(HelpPageTest, AFolderNamedLikeThePageIsNoPage) {
    fs::create_directories(root_ / "usr/bin/Help/Help.html");
    EXPECT_TRUE(velmora::FindHelpPage(root_ / "usr/bin/").empty());
}

}  // namespace
