#include "protocols/message_deletion.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "config/global_settings.h"
#include "protocol_fixture.h"

namespace tarvox {
namespace {

using namespace script;

// Messages 1 to 4, listed in that order.
class DeleteSelectedRows : public ::testing::Test {
protected:
    DeleteSelectedRows() {
        InboxEntry entry;
        for (entry.number = 1; entry.number <= 4; ++entry.number) {
            list.Add(entry);
        }
    }
    MessageList list;
    PopSession session{nullptr};
    ScriptedServices services;
};

TEST_F(DeleteSelectedRows, SendsDeleInRowOrderAndReportsProgress) {
    ScriptedServer server({Expect("DELE 4\r\n"), Send("+OK\r\n"), Expect("DELE 2\r\n"),
                           Send("-ERR no such message\r\n"), Expect("DELE 1\r\n"), Send("+OK\r\n")});
    ASSERT_EQ(ConnectTo(session.connection, server), NetResult::Success);
    list.SortNewestFirst();  // rows 4 3 2 1
    for (const std::size_t row : {0, 2, 3}) {
        list.Select(row, true);
    }
    EXPECT_TRUE(DeleteSelected(session, list, services));
    EXPECT_SCRIPT_DONE(server);
    EXPECT_EQ(list.RowNumbers(), (std::vector<std::uint32_t>{3}));
    EXPECT_EQ(list.SelectedNumbers(), (std::vector<std::uint32_t>{3}));
    EXPECT_EQ(list.Count(), 1u) << "a refused DELE still leaves the list";
    EXPECT_EQ(BoxTexts(services), Lines{"Error during delete!: The mail server was unable to delete this "
                                        "message, either because it was deleted earlier or because of an "
                                        "internal server error."});
    EXPECT_EQ(services.Statuses(StatusLine::Inbox),
              (Lines{"Please wait ... queuing deletion(s) . . .", "Deleting selected message(s) . . . 0%",
                     "Deleting selected message(s) . . . 33%", "Deleting selected message(s) . . . 66%",
                     "Finished deleting message(s)"}));
}

TEST_F(DeleteSelectedRows, LostConnectionEndsTheRun) {
    ScriptedServer server({Expect("DELE 1\r\n"), CloseConnection()});
    ASSERT_EQ(ConnectTo(session.connection, server), NetResult::Success);
    list.Select(0, true);
    list.Select(1, true);
    EXPECT_FALSE(DeleteSelected(session, list, services));
    EXPECT_SCRIPT_DONE(server);
    EXPECT_EQ(list.Count(), 4u);
    EXPECT_NE(services.LastStatus(StatusLine::Inbox), "Finished deleting message(s)");
}

TEST(UserConfirms, AsksOnlyWhenTheSettingSaysAndTakesYes) {
    // UserConfirmsUndeleteAll (by confirmclose) or UserConfirmsDeletion (by confirmdel); no answer: not asked.
    const std::tuple<bool, int, std::optional<BoxAnswer>, bool> cases[] = {
        {false, 0, std::nullopt, true}, {false, 1, BoxAnswer::Yes, true},
        {false, 1, BoxAnswer::No, false}, {true, 0, std::nullopt, true},
        {true, 1, BoxAnswer::Yes, true},  {true, 1, BoxAnswer::No, false},
    };
    for (const auto& [undelete, setting, answer, confirmed] : cases) {
        GlobalSettings global;
        (undelete ? global.confirmclose : global.confirmdel) = setting;
        ScriptedServices services;
        if (answer) {
            services.QueueBoxAnswer(*answer);
        }
        EXPECT_EQ(undelete ? UserConfirmsUndeleteAll(global, services)
                           : UserConfirmsDeletion(global, services),
                  confirmed);
        EXPECT_EQ(services.Boxes().size(), answer ? 1u : 0u);
    }
}

}  // namespace
}  // namespace tarvox
