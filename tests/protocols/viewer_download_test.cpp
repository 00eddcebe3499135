#include "protocols/viewer_download.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "config/file_io.h"
#include "protocol_fixture.h"
#include "protocols/pop_session.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

using namespace script;

// A complete download is DownloadForViewer's case; a failed one shows no text, and no memory says so.
TEST(FinishViewerDownload, AFailureShowsNoText) {
    DownloadedMessage message;
    message.buffer = "+OK\r\nSubject: a\r\n\r\nb\r\n.\r\n";
    message.start = 5;
    for (const DownloadResult result : {DownloadResult::NoMemory, DownloadResult::Refused}) {
        ScriptedServices services;
        const ViewerDownload download = FinishViewerDownload(result, message, services);
        EXPECT_EQ(download.text, "");
        EXPECT_TRUE(services.Statuses(StatusLine::Inbox).empty());
        EXPECT_EQ(BoxTexts(services), result == DownloadResult::NoMemory
                                          ? Lines{"Insufficient memory to load message"} : Lines{});
    }
}

TEST(DownloadForViewer, RetrOrTopWithTheViewersStatus) {
    const std::string message = "Subject: a\r\n\r\nbody\r\n.\r\n";
    for (const auto& [preview, command] : {std::pair{false, "RETR 2\r\n"}, std::pair{true, "TOP 2 7\r\n"}}) {
        SCOPED_TRACE(command);
        ScriptedServer server({Expect(command), Send("+OK\r\n" + message), ExpectClosed()});
        PopSession session(nullptr);
        ASSERT_EQ(ConnectTo(session.connection, server), NetResult::Success);
        session.sizes = {10, static_cast<std::uint32_t>(message.size())};
        ScriptedServices services;
        const ViewerDownload download = DownloadForViewer(session, {2, preview, 7}, services);
        EXPECT_TRUE(download.Shown());
        EXPECT_EQ(download.text, message);
        EXPECT_EQ(services.Statuses(StatusLine::Inbox),
                  (Lines{"Downloading e-mail . . . ", "Downloading e-mail . . . 0%",
                         "Message retrieved. Formatting..."}));
        session.connection.Close();
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST(ReadMessageFile, GivesTheBytesOrTellsWhyNot) {
    TempDir dir;
    WriteWholeFile(dir / "saved.eml", "Subject: s\r\n\r\nbody\r\n");
    WriteWholeFile(dir / "big", "");
    ASSERT_EQ(::truncate((dir / "big").c_str(), kFileReadCap + 1), 0);
    const std::pair<const char*, Lines> cases[] = {
        {"saved.eml", {}},
        {"missing", {(dir / "missing").string() + ": Unable to open file for reading."}},
        {"big", {"Insufficient memory to load message"}}};
    for (const auto& [name, boxes] : cases) {
        ScriptedServices services;
        EXPECT_EQ(ReadMessageFile((dir / name).string(), services).has_value(), boxes.empty());
        EXPECT_EQ(BoxTexts(services), boxes) << name;
    }
}

}  // namespace
}  // namespace tarvox
