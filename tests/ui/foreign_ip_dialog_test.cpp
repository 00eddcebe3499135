// "Foreign IP address": the reverse lookup on its own thread (stood in for, so
// that no test asks a real resolver about a public address), the network list
// with Add and Del, and what OK and Cancel leave in the profile.
#include "ui/foreign_ip_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
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

// A lookup that answers once released.
struct HeldLookup {
    std::latch release{1};
    std::atomic<bool> asked{false};
};

ReverseLookup Held(const std::shared_ptr<HeldLookup>& held, std::string answer) {
    return [held, answer](const std::string& address) {
        EXPECT_EQ(address, "203.0.113.7");
        held->asked = true;
        held->release.wait();
        return answer;
    };
}

ReverseLookup Answer(std::string answer) {
    return [answer](const std::string& address) {
        EXPECT_FALSE(address.empty()) << "no address is not looked up";
        return answer;
    };
}

InboxEntry Message(std::string address) {
    InboxEntry entry;
    entry.number = 3;
    entry.originating_address = std::move(address);
    return entry;
}

class ForeignIpDialogTest : public ::testing::Test {
protected:
    ForeignIpDialogTest() { edited.ispnetworks = "10.,192.168."; }

    std::unique_ptr<ForeignIpDialog> Make(ReverseLookup lookup = Answer("")) {
        return std::make_unique<ForeignIpDialog>(fixture.context, Message("203.0.113.7"), edited,
                                                 nullptr, std::move(lookup));
    }
    static QString HostName(ForeignIpDialog& dialog) {
        return Control<QLabel>(&dialog, "hostName")->text();
    }
    static void Click(ForeignIpDialog& dialog, const char* name) {
        Control<QPushButton>(&dialog, name)->click();
    }
    static void Delete(ForeignIpDialog& dialog, int row) {
        Control<QListWidget>(&dialog, "networks")->setCurrentRow(row);
        Click(dialog, "del");
    }

    OptionsWindowContext fixture;
    Profile edited;
};

TEST_F(ForeignIpDialogTest, ShowsTheAddressAndThenItsHostName) {
    auto held = std::make_shared<HeldLookup>();
    const auto dialog = Make(Held(held, "mail.sender.example"));
    EXPECT_EQ(Control(dialog.get(), "address")->text(), "203.0.113.7");
    EXPECT_EQ(dialog->networks(), (QStringList{"10.", "192.168."}));
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return held->asked.load(); }));
    QApplication::processEvents();  // the dialog answers while the lookup runs
    const QString waiting = HostName(*dialog);
    held->release.count_down();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return HostName(*dialog) != waiting; }));
    EXPECT_EQ(HostName(*dialog), "mail.sender.example");
}

TEST_F(ForeignIpDialogTest, NoNameAndNoAddressShowNxdomain) {
    for (const char* address : {"198.51.100.2", ""}) {
        ForeignIpDialog dialog(fixture.context, Message(address), edited, nullptr, Answer(""));
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return HostName(dialog) == "NXDOMAIN"; }))
            << address;
    }
}

TEST_F(ForeignIpDialogTest, ClosingDuringTheLookupWaitsForItAndDropsTheAnswer) {
    auto held = std::make_shared<HeldLookup>();
    auto dialog = Make(Held(held, "late.example"));
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return held->asked.load(); }));
    std::thread answer([held] { held->release.count_down(); });
    dialog.reset();
    answer.join();
    EXPECT_EQ(held.use_count(), 1) << "the lookup thread is joined with the dialog";
    QApplication::processEvents();
}

TEST_F(ForeignIpDialogTest, AddRefusesANetworkWithoutFinalPeriodAndAsksAgain) {
    const auto dialog = Make();
    DialogDriver driver;
    SeenPrompt first, second;
    driver.Then(RecordPromptAndAnswer(&first, "203.0"));
    driver.Then(ClickButton("OK"));  // the refusal
    driver.Then(RecordPromptAndAnswer(&second, "203.0."));
    driver.Then(RecordPromptAndAnswer(&first, QString()));  // Cancel adds nothing
    Click(*dialog, "add");
    Click(*dialog, "add");
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(second.initial, "203.0") << "asked again with the refused text";
    EXPECT_EQ(dialog->networks(), (QStringList{"10.", "192.168.", "203.0."}));
}

TEST_F(ForeignIpDialogTest, DelRemovesTheSelectedNetwork) {
    const auto dialog = Make();
    Click(*dialog, "del");  // nothing selected
    EXPECT_EQ(dialog->networks().size(), 2);
    Delete(*dialog, 0);
    EXPECT_EQ(dialog->networks(), QStringList{"192.168."});
}

TEST_F(ForeignIpDialogTest, OkStoresTheListAndCancelDoesNot) {
    for (const auto& [button, stored] :
         {std::pair{"cancel", "10.,192.168."}, std::pair{"ok", "10."}}) {
        const auto dialog = Make();
        Delete(*dialog, 1);
        Click(*dialog, button);
        EXPECT_EQ(edited.ispnetworks, stored) << button;
    }
    const auto dialog = Make();
    Delete(*dialog, 0);
    Click(*dialog, "ok");
    EXPECT_EQ(edited.ispnetworks, "") << "every network deleted";
}

}  // namespace
}  // namespace tarvox
