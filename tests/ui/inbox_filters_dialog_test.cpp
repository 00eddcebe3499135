// "Inbox Filters": its opening state, the presets, the flag boxes that give way
// to a search text, and what OK leaves in a message list.
#include "ui/inbox_filters_dialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <functional>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "junk/stored_flags.h"
#include "ui/options_window_fixture.h"

namespace tarvox {
namespace {

class InboxFiltersDialogTest : public ::testing::Test {
public:
    template <typename Widget = QCheckBox>
    Widget* Find(InboxFiltersDialog& dialog, const char* name) {
        return Control<Widget>(&dialog, name);
    }
    void Check(InboxFiltersDialog& dialog, const char* name, bool checked = true) {
        Find<QAbstractButton>(dialog, name)->setChecked(checked);
    }
    void Click(InboxFiltersDialog& dialog, const char* name) {
        Find<QPushButton>(dialog, name)->click();
    }

    OptionsWindowContext fixture;
};

const char* const kFlagBoxes[] = {"flagRead", "flagReplied", "flagCopyToSelf", "flagJunk",
                                  "flagAttachments"};
const char* const kPresets[] = {"presetAllMail", "presetNewMail", "presetNeedingReply"};

TEST_F(InboxFiltersDialogTest, OpensShowingMatchesOfTheSubjectWithNothingElseChosen) {
    InboxFiltersDialog first(fixture.context);
    Check(first, "hideMatching");
    Check(first, "flagJunk");
    Check(first, "inTo");
    Find<QLineEdit>(first, "searchText")->setText("x");
    first.findChild<QPushButton*>("ok")->click();

    // Nothing of the last opening is remembered.
    InboxFiltersDialog dialog(fixture.context);
    EXPECT_EQ(dialog.windowTitle(), "Inbox Filters");
    const struct {
        const char* name;
        const char* text;
        bool checked;
    } controls[] = {
        {"showMatching", "&Show only matching mail", true},
        {"hideMatching", "&Hide only matching mail", false},
        {"flagRead", "&Read", false},
        {"flagReplied", "Re&plied to", false},
        {"flagCopyToSelf", "&Copy to self", false},
        {"flagJunk", "&Junk / spam", false},
        {"flagAttachments", "&Attachments", false},
        {"inSubject", "Subject", true},
        {"inFrom", "From", false},
        {"inDate", "Date/Time", false},
        {"inTo", "To", false},
    };
    for (const auto& c : controls) {
        auto* control = Find<QAbstractButton>(dialog, c.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->text(), c.text);
        EXPECT_EQ(control->isChecked(), c.checked) << c.name;
        EXPECT_TRUE(control->isEnabled()) << c.name;
    }
    const std::pair<const char*, const char*> presets[] = {
        {"presetAllMail", "All &mail"},
        {"presetNewMail", "&New mail, unseen"},
        {"presetNeedingReply", "N&eeding reply"},
    };
    for (const auto& [name, text] : presets) {
        EXPECT_EQ(Find<QPushButton>(dialog, name)->text(), text);
        EXPECT_TRUE(Find<QPushButton>(dialog, name)->isEnabled()) << name;
    }
    EXPECT_EQ(Find<QLineEdit>(dialog, "searchText")->text(), "");
    EXPECT_EQ(Find<QWidget>(dialog, "search")->property("title").toString(),
              "Case insensitive text search");
    EXPECT_EQ(dialog.filter(), InboxFilter{});
}

TEST_F(InboxFiltersDialogTest, PresetsSetTheActionAndTheFlagBoxes) {
    struct Case {
        const char* preset;
        std::vector<const char*> checked;
    };
    const Case cases[] = {
        {"presetAllMail", {}},
        {"presetNewMail", {"flagRead", "flagReplied", "flagCopyToSelf"}},
        {"presetNeedingReply", {"flagReplied", "flagCopyToSelf", "flagJunk"}},
    };
    for (const Case& c : cases) {
        InboxFiltersDialog dialog(fixture.context);
        // Every box chosen before, so that the preset must clear what it does not set.
        for (const char* box : kFlagBoxes) {
            Check(dialog, box);
        }
        Check(dialog, "inDate");
        Click(dialog, c.preset);
        EXPECT_TRUE(Find<QRadioButton>(dialog, "hideMatching")->isChecked()) << c.preset;
        EXPECT_FALSE(Find<QRadioButton>(dialog, "showMatching")->isChecked()) << c.preset;
        for (const char* box : kFlagBoxes) {
            const bool expected = std::find_if(c.checked.begin(), c.checked.end(), [box](auto n) {
                                      return std::string_view(n) == box;
                                  }) != c.checked.end();
            EXPECT_EQ(Find(dialog, box)->isChecked(), expected) << c.preset << " " << box;
        }
        // The search columns are not the presets' business.
        EXPECT_TRUE(Find(dialog, "inSubject")->isChecked());
        EXPECT_TRUE(Find(dialog, "inDate")->isChecked());
    }
}

TEST_F(InboxFiltersDialogTest, ASearchTextDisablesTheFlagBoxesAndPresets) {
    InboxFiltersDialog dialog(fixture.context);
    auto* text = Find<QLineEdit>(dialog, "searchText");
    const auto flags_and_presets_enabled = [&](bool expected) {
        for (const char* box : kFlagBoxes) {
            EXPECT_EQ(Find(dialog, box)->isEnabled(), expected) << box;
        }
        for (const char* preset : kPresets) {
            EXPECT_EQ(Find<QPushButton>(dialog, preset)->isEnabled(), expected) << preset;
        }
    };
    text->setText("a");
    flags_and_presets_enabled(false);
    // The action and the columns stay usable.
    for (const char* name : {"showMatching", "hideMatching", "inSubject", "inTo"}) {
        EXPECT_TRUE(Find<QAbstractButton>(dialog, name)->isEnabled()) << name;
    }
    text->setText(" ");
    flags_and_presets_enabled(false);
    text->clear();
    flags_and_presets_enabled(true);
}

// Four messages, each with something of its own to be found by.
MessageList Mailbox() {
    const struct {
        std::uint32_t number;
        const char* subject;
        const char* sender;
        const char* date;
        const char* recipient;
        std::uint32_t flags;
        bool multipart;
        std::uint32_t junk;
    } messages[] = {
        {1, "Lunch on Friday", "Bob Smith", "2003-03-22 11:33:30", "me@example.org", kFlagRead,
         false, 0},
        {2, "Quarterly REPORT", "alice@example.com", "2001-01-02 08:00:00", "team@example.org",
         kFlagRead | kFlagReplied, true, 0},
        {3, "WIN MONEY", "prize@spam.example", "2004-12-31 23:59:59", "undisclosed", 0, false, 1},
        {4, "note to self", "Me Myself", "1999-07-01 00:00:00", "bob@example.net", 0, false, 0},
    };
    MessageList list;
    for (const auto& m : messages) {
        InboxEntry entry;
        entry.number = m.number;
        entry.subject = m.subject;
        entry.sender = m.sender;
        entry.date = m.date;
        entry.recipient = m.recipient;
        entry.flags = m.flags;
        entry.multipart = m.multipart;
        entry.junk_verdict = m.junk;
        list.Add(entry);
    }
    return list;
}

TEST_F(InboxFiltersDialogTest, OkGivesTheFilterThatTheListShows) {
    using Steps = std::function<void(InboxFiltersDialogTest&, InboxFiltersDialog&)>;
    struct Case {
        const char* what;
        Steps steps;
        std::vector<std::uint32_t> rows;
        const char* status;
    };
    const char* const on = "Filtered view ON (some messages may be hidden)";
    const char* const off = "Filtered view OFF";
    const auto text = [](const char* typed, std::vector<const char*> columns) {
        return [typed, columns](InboxFiltersDialogTest& t, InboxFiltersDialog& d) {
            t.Check(d, "inSubject", false);
            for (const char* column : columns) {
                t.Check(d, column);
            }
            t.Find<QLineEdit>(d, "searchText")->setText(typed);
        };
    };
    const auto checks = [](std::vector<const char*> names) {
        return [names](InboxFiltersDialogTest& t, InboxFiltersDialog& d) {
            for (const char* name : names) {
                t.Check(d, name);
            }
        };
    };
    const Case cases[] = {
        {"as opened", [](auto&, auto&) {}, {}, on},
        {"All mail", [](auto& t, auto& d) { t.Click(d, "presetAllMail"); }, {4, 3, 2, 1}, off},
        {"New mail, unseen", [](auto& t, auto& d) { t.Click(d, "presetNewMail"); }, {3}, on},
        {"Needing reply",
         [](auto& t, auto& d) { t.Click(d, "presetNeedingReply"); }, {1}, on},
        {"show junk", checks({"flagJunk"}), {3}, on},
        {"show copies to self", checks({"flagCopyToSelf"}), {4}, on},
        {"show attachments or replied", checks({"flagAttachments", "flagReplied"}), {2}, on},
        {"hide attachments", checks({"hideMatching", "flagAttachments"}), {4, 3, 1}, on},
        {"subject", text("REPORT", {"inSubject"}), {2}, on},
        {"sender", text("ALICE", {"inFrom"}), {2}, on},
        {"date", text("2004-", {"inDate"}), {3}, on},
        {"recipient", text("example.org", {"inTo"}), {2, 1}, on},
        {"two columns", text("bob", {"inFrom", "inTo"}), {4, 1}, on},
        {"hidden text",
         [&](auto& t, auto& d) {
             text("money", {"inSubject"})(t, d);
             t.Check(d, "hideMatching");
         },
         {4, 2, 1},
         off},
    };
    Profile profile;
    profile.SMTPname = "me myself";
    profile.autosort = 1;
    for (const Case& c : cases) {
        InboxFiltersDialog dialog(fixture.context);
        c.steps(*this, dialog);
        Find<QPushButton>(dialog, "ok")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << c.what;
        MessageList list = Mailbox();
        ApplyInboxFilter(list, dialog.filter(), profile);
        EXPECT_EQ(list.RowNumbers(), c.rows) << c.what;
        EXPECT_EQ(FilterStatusText(dialog.filter()), c.status) << c.what;
    }
}

TEST_F(InboxFiltersDialogTest, HelpOpensItsTopic) {
    QStringList anchors;
    fixture.context.show_help = [&anchors](const QString& anchor) { anchors << anchor; };
    InboxFiltersDialog dialog(fixture.context);
    Click(dialog, "help");
    EXPECT_EQ(anchors, QStringList{"#ibfilt"});
    EXPECT_EQ(Find<QPushButton>(dialog, "help")->text(), "Help");

    // Without a help viewer the button does nothing.
    fixture.context.show_help = nullptr;
    InboxFiltersDialog plain(fixture.context);
    Click(plain, "help");
}

}  // namespace
}  // namespace tarvox
