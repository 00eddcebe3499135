// Whole runs of the program with stand-in windows.
#include "app/program_run.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <tuple>
#include <vector>

#include "app/instance_channel.h"
#include "config/command_line.h"
#include "support/temp_dir.h"
#include "ui/dialog_driver.h"
#include "ui/qt_services.h"

namespace tarvox {
namespace {

class ProgramRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_context.paths.settings_file = m_folder / "tarvox.ini";
        m_context.paths.address_book_file = m_folder / "tarvox.dat";
        m_context.services = &m_services;
        m_windows.instance_name = QStringLiteral("tarvox-test-%1")
                                      .arg(QString::fromStdString(m_folder.path().filename()));
        m_windows.options_window = [this](AppContext&) {
            ++m_options_runs;
            return 0;
        };
    }

    int Run(std::vector<std::string_view> args) {
        m_context.start = ParseCommandLine(args);
        return RunProgram(m_context, m_windows);
    }

    TempDir m_folder;
    QtServices m_services;
    AppContext m_context;
    ProgramWindows m_windows;
    int m_options_runs = 0;
};

// A /TO link goes to a running instance (cut to 64 KiB); without one the program starts.
TEST_F(ProgramRunTest, ToAddressGoesToTheRunningInstance) {
    const QString& name = m_windows.instance_name;
    EXPECT_FALSE(IsAnotherInstanceRunning(name) || SendAddressToInstance(name, "a@x.org"));
    EXPECT_EQ(Run({"/TO", "mailto:ann%40example.org"}), 0);
    EXPECT_EQ(m_options_runs, 1) << "no second-instance question";
    ASSERT_TRUE(std::filesystem::remove(m_context.paths.settings_file));

    std::vector<std::string> received;
    InstanceServer running([&](const std::string& address) { received.push_back(address); });
    ASSERT_TRUE(running.Listen(name));
    std::atomic<int> status{-1};
    // The second start runs on a thread of its own while this one serves.
    ASSERT_TRUE(DialogDriver::RunWorker([&] {
        AppContext second;
        second.paths = m_context.paths;
        second.services = &m_services;
        second.start = ParseCommandLine(std::vector<std::string_view>{"/to", "mailto:b@x?cc=c"});
        status = RunProgram(second, m_windows);
        EXPECT_TRUE(SendAddressToInstance(name, std::string(kToLinkLength + 100, 'a')));
    }));
    EXPECT_EQ(status, 0);
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return received.size() == 2; }));
    EXPECT_EQ(received, (std::vector<std::string>{"b@x?cc=c", std::string(kToLinkLength, 'a')}));
    EXPECT_EQ(m_options_runs, 1);
    EXPECT_FALSE(std::filesystem::exists(m_context.paths.settings_file)) << "nothing saved";
}

// With another instance running: /VIEW without a file is refused, else the user is asked.
TEST_F(ProgramRunTest, StartBoxes) {
    InstanceServer running([](const std::string&) {});
    ASSERT_TRUE(running.Listen(m_windows.instance_name));
    const std::tuple<std::vector<std::string_view>, const char*, int, std::string_view> cases[] = {
        {{"/VIEW", "   "}, "OK", kExitRefused, kViewSyntaxMessage},
        {{}, "No", kExitRefused, "Another instance of Tarvox is running."},
        {{}, "Yes", 0, "Another instance of Tarvox is running."},
    };
    for (const auto& [args, button, status, text] : cases) {
        DialogDriver driver;
        SeenBox seen;
        driver.Then(RecordBoxAndClick(&seen, button));
        EXPECT_EQ(Run(args), status) << button;
        EXPECT_TRUE(seen.text.startsWith(QString::fromUtf8(text.data(), text.size())))
            << seen.text.toStdString();
    }
    EXPECT_EQ(m_options_runs, 1);
}

TEST_F(ProgramRunTest, WrongPassphraseEndsWithoutWritingAnything) {
    Configuration locked;
    locked.global.master = 1;
    locked.master_passphrase = "right passphrase";
    locked.profiles.push_back({.name = "Work", .pass = "secret"});
    ASSERT_TRUE(SaveConfiguration(m_context.paths.settings_file, locked));
    const std::string before = ReadWholeFile(m_context.paths.settings_file);

    DialogDriver driver;
    driver.Then(TypeAndClick("wrong passphrase", "submit"));
    driver.Then(ClickButton("OK"));  // the passphrase was refused
    EXPECT_EQ(Run({}), 0);
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(m_options_runs, 0);
    EXPECT_EQ(ReadWholeFile(m_context.paths.settings_file), before);
    EXPECT_FALSE(std::filesystem::exists(m_context.paths.address_book_file));
}

TEST_F(ProgramRunTest, EnteredMailboxReturnsToTheOptionsWindow) {
    int inbox_runs = 0;
    m_windows.options_window = [this](AppContext&) { return ++m_options_runs < 3 ? 1 : 0; };
    m_windows.inbox_window = [&](AppContext&) { ++inbox_runs; };
    EXPECT_EQ(Run({}), 0);
    EXPECT_EQ(m_options_runs, 3);
    EXPECT_EQ(inbox_runs, 2);
}

TEST_F(ProgramRunTest, TerminationSignalSavesAsANormalExitDoesThenEnds) {
    m_windows.options_window = [](AppContext&) {
        std::raise(SIGTERM);
        DialogDriver::RunUntil([] { return false; });
        return 0;
    };
    EXPECT_EXIT(Run({}), ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_TRUE(std::filesystem::exists(m_context.paths.settings_file));
}

TEST(InstanceChannel, SocketLivesInAPrivateFolderOfTheUser) {
    TempDir folder;
    const std::filesystem::path runtime = folder / "run";
    const std::filesystem::path cache = folder / "cache";
    ASSERT_EQ(::mkdir(runtime.c_str(), 0755), 0);  // others may enter: passed over
    EXPECT_EQ(InstanceServerName(runtime.string(), cache),
              QString::fromStdString((cache / "tarvox/tarvox.socket").string()));
    EXPECT_EQ(std::filesystem::status(cache / "tarvox").permissions(),
              std::filesystem::perms::owner_all);
    ::chmod(runtime.c_str(), 0700);
    EXPECT_EQ(InstanceServerName(runtime.string(), cache),
              QString::fromStdString((runtime / "tarvox.socket").string()));
    ::chmod((cache / "tarvox").c_str(), 0770);
    EXPECT_TRUE(InstanceServerName(std::nullopt, cache).isEmpty());
}

}  // namespace
}  // namespace tarvox
