#include "compose/save_text.h"

#include <gtest/gtest.h>

#include <string>

#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

TEST(SaveTextToFile, ReplacesOrAppendsWithTheSeparatorFirstOrSaysWhyNot) {
    TempDir dir;
    const std::string path = (dir / "out.txt").string();
    WriteWholeFile(path, "an older and longer content");
    ScriptedServices services;
    const std::string text("new\r\ntext\0é", 12);  // in ISO-8859-1 as it fits, NUL included
    EXPECT_TRUE(SaveTextToFile(services, path, text, SaveTextMode::Replace, InboxStatusShown::Yes));
    EXPECT_EQ(ReadWholeFile(path), std::string("new\r\ntext\0\xE9", 11));
    EXPECT_EQ(services.Statuses(StatusLine::Inbox),
              (std::vector<std::string>{"Saving text to file...", "Text has been saved"}));

    // Even into an empty (here: new) file; without the inbox's status.
    const std::string added = (dir / "added.txt").string();
    ScriptedServices quiet;
    EXPECT_TRUE(SaveTextToFile(quiet, added, "one", SaveTextMode::Append, InboxStatusShown::No));
    EXPECT_TRUE(SaveTextToFile(quiet, added, "two", SaveTextMode::Append, InboxStatusShown::No));
    // A message's own bytes stay as they came, though they would fit ISO-8859-1.
    EXPECT_TRUE(SaveTextToFile(quiet, added, "é", SaveTextMode::Append, InboxStatusShown::No, TextForm::Bytes));
    EXPECT_EQ(ReadWholeFile(added), "\r\n\r\none\r\n\r\ntwo\r\n\r\né");
    EXPECT_TRUE(quiet.Calls().empty());

    // A file that cannot be opened.
    ScriptedServices failed;
    EXPECT_FALSE(SaveTextToFile(failed, (dir / "no" / "such").string(), "x", SaveTextMode::Replace,
                                InboxStatusShown::Yes));
    ASSERT_EQ(failed.Boxes().size(), 1u);
    EXPECT_EQ(failed.Boxes()[0].text, "Unable to create file");
    EXPECT_EQ(failed.Boxes()[0].icon, BoxIcon::Error);
    EXPECT_EQ(failed.Statuses(StatusLine::Inbox), (std::vector<std::string>{"Saving text to file..."}));
}

}  // namespace
}  // namespace tarvox
