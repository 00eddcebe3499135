#include "shell/help_opener.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/file_io.h"
#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

TEST(FileUrl, EscapesWhatIsNotPlain) {
    EXPECT_EQ(FileUrl("/home/ann/My Help/tvx-help.htm"), "file:///home/ann/My%20Help/tvx-help.htm");
    EXPECT_EQ(FileUrl("/a/\"x\"#?\xC3\xA9"), "file:///a/%22x%22%23%3F%C3%A9");
}

struct Opened {
    std::vector<std::string> urls;
    bool succeed = true;
    HelpOpener::UrlOpener Opener() {
        return [this](const std::string& url) {
            urls.push_back(url);
            return succeed;
        };
    }
};

TEST(HelpOpener, ARedirectPageCarriesTheSectionAndGoesWithTheOpener) {
    TempDir dir;
    const fs::path page = dir / "tvx-help.htm";
    WriteWholeFile(page, "<html></html>");
    ScriptedServices services;
    Opened opened;
    fs::path redirect;
    {
        HelpOpener opener(page, "", opened.Opener());
        opener.Open(services, "#inbox");
        redirect = opener.redirect_file();
        ASSERT_EQ(opened.urls, std::vector<std::string>{FileUrl(redirect)});
        const std::string text = ReadFileBytes(redirect.string()).value_or("");
        EXPECT_NE(text.find("content=\"0;URL=" + FileUrl(page) + "#inbox\""), std::string::npos) << text;
        EXPECT_EQ(fs::status(redirect.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    }
    EXPECT_FALSE(fs::exists(redirect.parent_path()));
}

TEST(HelpOpener, WithoutTheLocalPageTheWebHelpIsOffered) {
    struct Case {
        bool page_exists;     // else missing
        bool browser_starts;  // the desktop opened the redirect page
        const char* web;
        BoxAnswer answer;
        std::vector<std::string> web_urls;
    } const cases[] = {
        {false, true, "https://help.example/tarvox", BoxAnswer::Yes, {"https://help.example/tarvox#viewer"}},
        {false, true, "https://help.example/tarvox", BoxAnswer::No, {}},
        {true, false, "https://help.example/tarvox", BoxAnswer::Yes, {"https://help.example/tarvox#viewer"}},
        {false, true, "", BoxAnswer::Ok, {}},  // no online help set: said so
    };
    for (const Case& c : cases) {
        TempDir dir;
        const fs::path page = dir / "tvx-help.htm";
        if (c.page_exists) WriteWholeFile(page, "<html></html>");
        ScriptedServices services;
        if (c.answer != BoxAnswer::Ok) services.QueueBoxAnswer(c.answer);
        Opened opened;
        opened.succeed = c.browser_starts;
        HelpOpener(page, c.web, opened.Opener()).Open(services, "#viewer");
        std::vector<std::string> web;
        for (const std::string& url : opened.urls) {
            if (!url.starts_with("file:")) web.push_back(url);
        }
        EXPECT_EQ(web, c.web_urls) << c.page_exists << c.web;
        ASSERT_EQ(services.Boxes().size(), 1u);
        EXPECT_EQ(services.Boxes()[0].caption, page.string());
    }
}

TEST(HelpOpener, AnOverlongLookupIsRefused) {
    ScriptedServices services;
    Opened opened;
    HelpOpener(fs::path("/") / std::string(500, 'h'), "", opened.Opener()).Open(services, "#adbooks.....");
    EXPECT_TRUE(opened.urls.empty());
    ASSERT_EQ(services.Boxes().size(), 1u);
    EXPECT_TRUE(services.Boxes()[0].text.starts_with("Invalid help file lookup."));
}

}  // namespace
}  // namespace tarvox
