#include "protocols/message_deletion.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <tuple>

#include "config/global_settings.h"
#include "protocol_fixture.h"

namespace tarvox {
namespace {

using namespace script;

// Messages 1 to 4, listed in that order.
struct FourRows {
    FourRows() {
        InboxEntry entry;
        for (entry.number = 1; entry.number <= 4; ++entry.number) {
            list.Add(entry);
        }
    }
    // Selects `rows`, deletes them with a server playing `script`, lock-step or pipelined.
    bool Delete(Script script, bool pipelined, std::initializer_list<std::size_t> rows) {
        session.capabilities.pipelining = pipelined;
        ScriptedServer server(std::move(script));
        EXPECT_EQ(ConnectTo(session.connection, server), NetResult::Success);
        for (const std::size_t row : rows) {
            list.Select(row, true);
        }
        const bool done = DeleteSelected(session, list, services);
        EXPECT_SCRIPT_DONE(server);
        return done;
    }
    MessageList list;
    PopSession session{nullptr};
    ScriptedServices services;
};

// Lock-step, or with PIPELINING all DELE commands ahead of the replies: the same list, boxes and statuses.
TEST(DeleteSelectedRows, SendsDeleInRowOrderAndReportsProgress) {
    const std::pair<bool, Script> cases[] = {
        {false, {Expect("DELE 4\r\n"), Send("+OK\r\n"), Expect("DELE 2\r\n"),
                 Send("-ERR no such message\r\n"), Expect("DELE 1\r\n"), Send("+OK\r\n")}},
        {true, {Expect("DELE 4\r\nDELE 2\r\nDELE 1\r\n"),
                SendInPieces("+OK\r\n-ERR no such message\r\n+OK\r\n", {4, 9})}},
    };
    for (const auto& [pipelined, script] : cases) {
        SCOPED_TRACE(pipelined);
        FourRows fresh;
        fresh.list.SortNewestFirst();  // rows 4 3 2 1
        EXPECT_TRUE(fresh.Delete(script, pipelined, {0, 2, 3}));
        EXPECT_EQ(fresh.list.RowNumbers(), (std::vector<std::uint32_t>{3}));
        EXPECT_EQ(fresh.list.SelectedNumbers(), (std::vector<std::uint32_t>{3}));
        EXPECT_EQ(fresh.list.Count(), 1u) << "a refused DELE still leaves the list";
        EXPECT_EQ(BoxTexts(fresh.services),
                  Lines{"Error during delete!: The mail server was unable to delete this message, either "
                        "because it was deleted earlier or because of an internal server error."});
        EXPECT_EQ(fresh.services.Statuses(StatusLine::Inbox),
                  (Lines{"Please wait ... queuing deletion(s) . . .", "Deleting selected message(s) . . . 0%",
                         "Deleting selected message(s) . . . 33%", "Deleting selected message(s) . . . 66%",
                         "Finished deleting message(s)"}));
    }
}

// A hang-up ends the run; the messages answered before it have left the list.
TEST(DeleteSelectedRows, LostConnectionEndsTheRun) {
    const std::pair<bool, Script> cases[] = {
        {false, {Expect("DELE 1\r\n"), CloseConnection()}},
        {true, {Expect("DELE 1\r\nDELE 2\r\n"), Send("+OK\r\n+O"), CloseConnection()}},
    };
    for (const auto& [pipelined, script] : cases) {
        SCOPED_TRACE(pipelined);
        FourRows fresh;
        EXPECT_FALSE(fresh.Delete(script, pipelined, {0, 1}));
        EXPECT_EQ(fresh.list.Count(), pipelined ? 3u : 4u);
        EXPECT_EQ(fresh.services.LostConnections().size(), 1u);
        EXPECT_NE(fresh.services.LastStatus(StatusLine::Inbox), "Finished deleting message(s)");
    }
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
