// "Inbox Filters": each control read into the filter, the presets, the flag
// boxes that give way to a search text, and its help button.
#include "ui/inbox_filters_dialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "ui/options_window_fixture.h"

namespace tarvox {
namespace {

const char* const kFlagBoxesAndPresets[] = {"flagRead",      "flagReplied",       "flagCopyToSelf",
                                            "flagJunk",      "flagAttachments",   "presetAllMail",
                                            "presetNewMail", "presetNeedingReply"};

TEST(InboxFiltersDialog, EachControlSetsItsPartOfTheFilter) {
    OptionsWindowContext c;
    const struct {
        const char* control;
        void (*expect)(InboxFilter&);
    } cases[] = {
        {"hideMatching", [](InboxFilter& f) { f.action = FilterAction::HideMatching; }},
        {"flagRead", [](InboxFilter& f) { f.read = true; }},
        {"flagReplied", [](InboxFilter& f) { f.replied = true; }},
        {"flagCopyToSelf", [](InboxFilter& f) { f.copy_to_self = true; }},
        {"flagJunk", [](InboxFilter& f) { f.junk = true; }},
        {"flagAttachments", [](InboxFilter& f) { f.attachments = true; }},
        {"inSubject", [](InboxFilter& f) { f.in_subject = false; }},  // checked on opening
        {"inFrom", [](InboxFilter& f) { f.in_from = true; }},
        {"inDate", [](InboxFilter& f) { f.in_date = true; }},
        {"inTo", [](InboxFilter& f) { f.in_to = true; }},
        {"presetNewMail", [](InboxFilter& f) { ApplyPreset(f, FilterPreset::NewMail); }},
        {"presetNeedingReply", [](InboxFilter& f) { ApplyPreset(f, FilterPreset::NeedingReply); }},
        {"presetAllMail", [](InboxFilter& f) { ApplyPreset(f, FilterPreset::AllMail); }},
    };
    for (const auto& test : cases) {
        InboxFiltersDialog dialog(c.context);  // nothing of the last opening is kept
        EXPECT_EQ(dialog.filter(), InboxFilter{}) << test.control;
        Control<QAbstractButton>(&dialog, test.control)->click();
        Control<QPushButton>(&dialog, "ok")->click();
        InboxFilter expected;
        test.expect(expected);
        EXPECT_EQ(dialog.filter(), expected) << test.control;
    }
    InboxFiltersDialog dialog(c.context);
    Control(&dialog, "searchText")->setText("bob");
    EXPECT_EQ(dialog.filter().text, "bob");
}

TEST(InboxFiltersDialog, ASearchTextDisablesTheFlagBoxesAndPresets) {
    OptionsWindowContext c;
    InboxFiltersDialog dialog(c.context);
    for (const QString text : {"a", " ", ""}) {
        Control(&dialog, "searchText")->setText(text);
        for (const char* name : kFlagBoxesAndPresets) {
            EXPECT_EQ(Control<QAbstractButton>(&dialog, name)->isEnabled(), text.isEmpty())
                << name << " '" << text.toStdString() << "'";
        }
        EXPECT_TRUE(Control<QAbstractButton>(&dialog, "inTo")->isEnabled());
    }
}

TEST(InboxFiltersDialog, HelpOpensItsTopic) {
    OptionsWindowContext c;
    QStringList anchors;
    c.context.show_help = [&anchors](const QString& anchor) { anchors << anchor; };
    InboxFiltersDialog dialog(c.context);
    Control<QPushButton>(&dialog, "help")->click();
    EXPECT_EQ(anchors, QStringList{"#ibfilt"});
}

}  // namespace
}  // namespace tarvox
