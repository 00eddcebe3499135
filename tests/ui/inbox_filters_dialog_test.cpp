// "Inbox Filters": each control read into the filter, and help.
#include "ui/inbox_filters_dialog.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "ui/options_window_fixture.h"

namespace tarvox {
namespace {

TEST(InboxFiltersDialog, EachControlSetsItsPartOfTheFilter) {
    OptionsWindowContext c;
    const std::pair<const char*, void (*)(InboxFilter&)> cases[] = {
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
    for (const auto& [control, expect] : cases) {
        InboxFiltersDialog dialog(c.context);  // nothing of the last opening is kept
        EXPECT_EQ(dialog.filter(), InboxFilter{}) << control;
        Control<QAbstractButton>(&dialog, control)->click();
        Control<QPushButton>(&dialog, "ok")->click();
        InboxFilter expected;
        expect(expected);
        EXPECT_EQ(dialog.filter(), expected) << control;
    }
}

TEST(InboxFiltersDialog, TheSearchTextSetsTheFlagBoxesAndPresetsUsableAndHelpOpensItsTopic) {
    OptionsWindowContext c;
    QStringList anchors;
    c.context.show_help = [&anchors](const QString& anchor) { anchors << anchor; };
    InboxFiltersDialog dialog(c.context);
    for (const QString text : {"bob", ""}) {
        Control(&dialog, "searchText")->setText(text);
        for (const char* name :
             {"flagRead", "flagReplied", "flagCopyToSelf", "flagJunk", "flagAttachments",
              "presetAllMail", "presetNewMail", "presetNeedingReply"}) {
            EXPECT_EQ(Control<QAbstractButton>(&dialog, name)->isEnabled(), text.isEmpty()) << name;
        }
        EXPECT_EQ(dialog.filter().text, text.toStdString());
    }
    Control<QPushButton>(&dialog, "help")->click();
    EXPECT_EQ(anchors, QStringList{"#ibfilt"});
}

}  // namespace
}  // namespace tarvox
