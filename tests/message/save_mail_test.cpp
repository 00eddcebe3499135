#include "message/save_mail.h"

#include <gtest/gtest.h>

#include <string>

#include "support/scoped_time_zone.h"
#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

const std::string kMessage =
    "Date: Sat, 22 Mar 2003 11:33:30 +0000\r\nFrom: Ann <ann@example.com>\r\n"
    "To: Bob <bob@example.org>, carl@example.net\r\nSubject: Re: hello?\r\n\r\nBody\r\n.\r\n";

TEST(SaveDownloadedMessage, IntoTheDefaultOrTheSettingsFolder) {
    ScopedTimeZone utc("UTC");
    TempDir dir;
    Profile profile{.name = "work", .savemail_fmt = 0};  // 0: the default format
    ScriptedServices services;
    const SaveMailResult first = SaveDownloadedMessage(services, profile, dir.path(), kMessage);
    EXPECT_EQ(first.outcome, SaveMailOutcome::Saved);
    const std::string path =
        (dir / "work" / "2003-03-22 11.33.30  ann@example.com  Re. hello_.tvx").string();
    EXPECT_EQ(first.path, path);
    EXPECT_EQ(ReadWholeFile(path), kMessage);
    // The same message again: the prompt for another name, cancelled.
    services.QueuePromptCancel();
    EXPECT_EQ(SaveDownloadedMessage(services, profile, dir.path(), kMessage).outcome,
              SaveMailOutcome::Skipped);
    ASSERT_EQ(services.Prompts().size(), 1u);
    EXPECT_EQ(services.Prompts()[0].title, "Save mail");

    // A folder from the settings, no default folder made; the first To address names the file.
    profile = {.name = "home", .savemail_fmt = 0x5000, .savemail_ext = ".eml",
               .savemail_dir = (dir / "chosen").string()};
    CreateMailFolder(profile.savemail_dir);
    EXPECT_EQ(SaveDownloadedMessage(services, profile, dir.path(), kMessage).path,
              profile.savemail_dir + "/bob@example.org.eml");
    EXPECT_FALSE(std::filesystem::exists(dir / "home"));
    // A folder too long for any name.
    profile.savemail_dir = "/" + std::string(253, 'd');
    EXPECT_EQ(SaveDownloadedMessage(services, profile, dir.path(), kMessage).outcome,
              SaveMailOutcome::NoName);
    ASSERT_EQ(services.Boxes().size(), 1u);
    EXPECT_EQ(services.Boxes()[0].caption, "Save mail");
    EXPECT_EQ(services.Boxes()[0].icon, BoxIcon::Error);
}

}  // namespace
}  // namespace tarvox
