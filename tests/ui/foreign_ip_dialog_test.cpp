// "Foreign IP address": the reverse lookup on its thread (stood in for), Add, Del, OK.
#include "ui/foreign_ip_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <atomic>
#include <latch>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "protocols/inbox_entry.h"
#include "ui/dialog_driver.h"
#include "ui/options_window_fixture.h"

namespace tarvox {
namespace {

// A lookup of 203.0.113.7 that answers once released.
struct HeldLookup {
    std::latch release{1};
    std::atomic<bool> asked{false};
};

class ForeignIpDialogTest : public ::testing::Test {
protected:
    ForeignIpDialogTest() { edited.ispnetworks = "10.,192.168."; }

    std::unique_ptr<ForeignIpDialog> Make(std::string address = "203.0.113.7") {
        InboxEntry entry;
        entry.originating_address = std::move(address);
        return std::make_unique<ForeignIpDialog>(
            c.context, entry, edited, nullptr, [held = held, this](const std::string& asked) {
                EXPECT_FALSE(asked.empty()) << "no address is not looked up";
                held->asked = true;
                held->release.wait();
                return answer;
            });
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

    OptionsWindowContext c;
    Profile edited;
    std::shared_ptr<HeldLookup> held = std::make_shared<HeldLookup>();
    std::string answer = "mail.sender.example";
};

TEST_F(ForeignIpDialogTest, ShowsTheAddressAndThenItsHostNameOrNxdomain) {
    const auto dialog = Make();
    EXPECT_EQ(Control(dialog.get(), "address")->text(), "203.0.113.7");
    EXPECT_EQ(dialog->networks(), (QStringList{"10.", "192.168."}));
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return held->asked.load(); }));
    QApplication::processEvents();  // the dialog answers while the lookup runs
    const QString waiting = HostName(*dialog);
    held->release.count_down();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return HostName(*dialog) != waiting; }));
    EXPECT_EQ(HostName(*dialog), "mail.sender.example");
    answer.clear();  // no name, and no address to look up
    for (const char* address : {"198.51.100.2", ""}) {
        const auto other = Make(address);
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return HostName(*other) == "NXDOMAIN"; }))
            << address;
    }
}

TEST_F(ForeignIpDialogTest, ClosingDuringTheLookupWaitsForItAndDropsTheAnswer) {
    auto dialog = Make();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return held->asked.load(); }));
    std::thread release([held = held] { held->release.count_down(); });
    dialog.reset();
    release.join();
    EXPECT_EQ(held.use_count(), 1) << "the lookup thread is joined with the dialog";
    QApplication::processEvents();
}

TEST_F(ForeignIpDialogTest, AddTakesTheNetworkTypedDelTheSelectedOneAndOnlyOkStoresTheList) {
    held->release.count_down();
    DialogDriver driver;
    for (const auto& [button, stored] :
         {std::pair{"cancel", "10.,192.168."}, {"ok", "10.,203.0."}}) {
        const auto dialog = Make();
        driver.Then(TypeAndClick("203.0.", "submit"));
        Click(*dialog, "add");
        Click(*dialog, "del");  // nothing selected
        Delete(*dialog, 1);
        EXPECT_EQ(dialog->networks(), (QStringList{"10.", "203.0."}));
        Click(*dialog, button);
        EXPECT_EQ(edited.ispnetworks, stored) << button;
    }
}

}  // namespace
}  // namespace tarvox
