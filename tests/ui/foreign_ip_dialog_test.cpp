// "Foreign IP address": the reverse lookup on its own thread (stood in for, so
// that no test asks a real resolver about a public address), the network list
// with Add and Del, and what OK and Cancel leave in the profile.
#include "ui/foreign_ip_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>

#include <atomic>
#include <latch>
#include <memory>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "protocols/inbox_entry.h"
#include "ui/dialog_driver.h"
#include "ui/options_window_fixture.h"

namespace tarvox {
namespace {

// A lookup that records what it was asked and answers once released.
struct HeldLookup {
    std::latch release{1};
    std::atomic<bool> asked{false};
    std::mutex mutex;
    std::string address;
};

ReverseLookup Held(const std::shared_ptr<HeldLookup>& held, std::string answer) {
    return [held, answer](const std::string& address) {
        {
            std::lock_guard lock(held->mutex);
            held->address = address;
        }
        held->asked = true;
        held->release.wait();
        return answer;
    };
}

ReverseLookup Answer(std::string answer) {
    return [answer](const std::string&) { return answer; };
}

ReverseLookup NeverCalled() {
    return [](const std::string& address) {
        ADD_FAILURE() << "looked up '" << address << "'";
        return std::string();
    };
}

InboxEntry Message(std::string address) {
    InboxEntry entry;
    entry.number = 3;
    entry.subject = "Cheap watches";
    entry.originating_address = std::move(address);
    return entry;
}

class ForeignIpDialogTest : public ::testing::Test {
protected:
    ForeignIpDialogTest() { edited.ispnetworks = "10.,192.168."; }

    static QString HostName(ForeignIpDialog& dialog) {
        return Control<QLabel>(&dialog, "hostName")->text();
    }
    static void Click(ForeignIpDialog& dialog, const char* name) {
        Control<QPushButton>(&dialog, name)->click();
    }

    OptionsWindowContext fixture;
    Profile edited;
};

TEST_F(ForeignIpDialogTest, ShowsTheAddressAndThenItsHostName) {
    auto held = std::make_shared<HeldLookup>();
    ForeignIpDialog dialog(fixture.context, Message("203.0.113.7"), edited, nullptr,
                           Held(held, "mail.sender.example"));
    EXPECT_EQ(dialog.windowTitle(), "Cheap watches");
    EXPECT_EQ(Control<QLineEdit>(&dialog, "address")->text(), "203.0.113.7");
    EXPECT_EQ(HostName(dialog), "looking up...");
    EXPECT_EQ(dialog.networks(), (QStringList{"10.", "192.168."}));

    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        texts << label->text();
    }
    for (const char* text :
         {"First foreign IP address:", "Hostname, reverse-lookup:",
          "If this address is part of your ISP and is NOT foreign, add the network to the list. "
          "For example, to cover 192.168.0.1 enter: 192.168. (takes effect next time you "
          "connect). All DNSBL filtering requires the foreign IP address -- make sure it's not "
          "local.",
          "ISP NETWORKS:\n\nEnter a partial IP address (e.g. 127.0.0.) ending with a period. Any "
          "IP that matches is seen as local, not foreign."}) {
        EXPECT_TRUE(texts.contains(text)) << text;
    }

    ASSERT_TRUE(DialogDriver::RunUntil([&] { return held->asked.load(); }));
    // The dialog answers while the lookup is under way.
    QApplication::processEvents();
    EXPECT_EQ(HostName(dialog), "looking up...");
    held->release.count_down();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return HostName(dialog) != "looking up..."; }));
    EXPECT_EQ(HostName(dialog), "mail.sender.example");
    std::lock_guard lock(held->mutex);
    EXPECT_EQ(held->address, "203.0.113.7");
}

TEST_F(ForeignIpDialogTest, NoNameShowsNxdomain) {
    ForeignIpDialog dialog(fixture.context, Message("198.51.100.2"), edited, nullptr, Answer(""));
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return HostName(dialog) != "looking up..."; }));
    EXPECT_EQ(HostName(dialog), "NXDOMAIN");
}

TEST_F(ForeignIpDialogTest, NoAddressIsNotLookedUp) {
    InboxEntry entry = Message("");
    entry.subject = "";
    ForeignIpDialog dialog(fixture.context, entry, edited, nullptr, NeverCalled());
    EXPECT_EQ(Control<QLineEdit>(&dialog, "address")->text(), "");
    EXPECT_EQ(HostName(dialog), "NXDOMAIN");
    EXPECT_EQ(dialog.windowTitle(), "Foreign IP address");
}

TEST_F(ForeignIpDialogTest, ClosingDuringTheLookupWaitsForItAndDropsTheAnswer) {
    auto held = std::make_shared<HeldLookup>();
    auto dialog = std::make_unique<ForeignIpDialog>(fixture.context, Message("203.0.113.7"),
                                                    edited, nullptr, Held(held, "late.example"));
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return held->asked.load(); }));
    std::thread answer([held] { held->release.count_down(); });
    dialog.reset();
    answer.join();
    EXPECT_EQ(held.use_count(), 1) << "the lookup thread is joined with the dialog";
    QApplication::processEvents();
}

TEST_F(ForeignIpDialogTest, AddRefusesANetworkWithoutFinalPeriodAndAsksAgain) {
    ForeignIpDialog dialog(fixture.context, Message("203.0.113.7"), edited, nullptr, Answer(""));
    DialogDriver driver;
    SeenPrompt first;
    SeenPrompt second;
    SeenBox refusal;
    driver.Then(RecordPromptAndAnswer(&first, "203.0"));
    driver.Then(RecordBoxAndClick(&refusal, "OK"));
    driver.Then(RecordPromptAndAnswer(&second, "203.0."));
    Click(dialog, "add");
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(first.title, "Add network to list");
    EXPECT_EQ(first.text,
              "Specify network by entering partial IP (e.g. first one, two, or three octets) to "
              "match a range. End with period.");
    EXPECT_EQ(first.initial, "203.0.");
    EXPECT_EQ(refusal.text,
              "End the network specification with a period, otherwise it may match the wrong IP "
              "addresses.");
    EXPECT_EQ(refusal.title, "Add network to list");
    EXPECT_EQ(refusal.icon, QMessageBox::Warning);
    EXPECT_EQ(second.initial, "203.0") << "asked again with the refused text";
    EXPECT_EQ(dialog.networks(), (QStringList{"10.", "192.168.", "203.0."}));

    // A whole address is taken; Cancel adds nothing.
    driver.Then(RecordPromptAndAnswer(&first, "198.51.100.2"));
    Click(dialog, "add");
    driver.Then(RecordPromptAndAnswer(&first, QString()));
    Click(dialog, "add");
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(dialog.networks(), (QStringList{"10.", "192.168.", "203.0.", "198.51.100.2"}));
}

TEST_F(ForeignIpDialogTest, DelRemovesTheSelectedNetwork) {
    edited.ispnetworks = "10.,,192.168.,172.16.";
    ForeignIpDialog dialog(fixture.context, Message("203.0.113.7"), edited, nullptr, Answer(""));
    EXPECT_EQ(dialog.networks(), (QStringList{"10.", "192.168.", "172.16."}));
    Click(dialog, "del");  // nothing selected
    EXPECT_EQ(dialog.networks().size(), 3);
    Control<QListWidget>(&dialog, "networks")->setCurrentRow(1);
    Click(dialog, "del");
    EXPECT_EQ(dialog.networks(), (QStringList{"10.", "172.16."}));
}

TEST_F(ForeignIpDialogTest, OkStoresTheListAndCancelDoesNot) {
    struct Case {
        const char* button;
        const char* stored;
    };
    const Case cases[] = {
        {"ok", "10.,203.0."},
        {"cancel", "10.,192.168."},
    };
    for (const Case& c : cases) {
        edited.ispnetworks = "10.,192.168.";
        ForeignIpDialog dialog(fixture.context, Message("203.0.113.7"), edited, nullptr,
                               Answer(""));
        Control<QListWidget>(&dialog, "networks")->setCurrentRow(1);
        Click(dialog, "del");
        DialogDriver driver;
        SeenPrompt prompt;
        driver.Then(RecordPromptAndAnswer(&prompt, "203.0."));
        Click(dialog, "add");
        Click(dialog, c.button);
        EXPECT_EQ(edited.ispnetworks, c.stored) << c.button;
    }

    // Every network deleted: the list is stored empty.
    ForeignIpDialog dialog(fixture.context, Message("203.0.113.7"), edited, nullptr, Answer(""));
    for (int i = 0; i < 2; ++i) {
        Control<QListWidget>(&dialog, "networks")->setCurrentRow(0);
        Click(dialog, "del");
    }
    Click(dialog, "ok");
    EXPECT_EQ(edited.ispnetworks, "");
}

TEST_F(ForeignIpDialogTest, TheStoredProfileOfTheSameNameIsEdited) {
    Profile& stored = fixture.AddProfile("Home");
    fixture.AddProfile("Work");
    fixture.context.working.name = "HOME";
    EXPECT_EQ(&NetworksProfile(fixture.context), &stored);
    fixture.context.working.name = "Elsewhere";
    EXPECT_EQ(&NetworksProfile(fixture.context), &fixture.context.working);
}

}  // namespace
}  // namespace tarvox
