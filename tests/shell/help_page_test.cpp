// The help page the program installs carries every section the windows open.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>

#include "config/file_io.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

TEST(HelpPage, HasEverySectionTheSourcesOpenAndEveryPicture) {
    const fs::path source = TARVOX_SOURCE_DIR;
    const std::string page = ReadFileBytes((source / "data/help/tvx-help.htm").string()).value_or("");
    ASSERT_FALSE(page.empty());
    std::set<std::string> used;
    const std::regex anchor("\"#([a-z]+)\"");
    for (const auto& entry : fs::recursive_directory_iterator(source / "src")) {
        const std::string text = ReadFileBytes(entry.path().string()).value_or("");
        for (std::sregex_iterator it(text.begin(), text.end(), anchor), end; it != end; ++it) {
            used.insert((*it)[1]);
        }
    }
    EXPECT_GE(used.size(), 15u) << "the search found the anchors";
    for (const std::string& name : used) {
        EXPECT_NE(page.find("id=\"" + name + "\""), std::string::npos) << "#" << name;
    }
    const std::regex image("src=\"(images/[^\"]+)\"");
    for (std::sregex_iterator it(page.begin(), page.end(), image), end; it != end; ++it) {
        EXPECT_TRUE(fs::is_regular_file(source / "data/help" / (*it)[1].str())) << (*it)[1];
    }
}

}  // namespace
}  // namespace tarvox
