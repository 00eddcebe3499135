// tarvox-cli: the engine without windows, for scripts and terminals.
#include <cstdio>
#include <string_view>
#include <vector>

#include "cli/addressbook_command.h"
#include "cli/mailbox_commands.h"
#include "cli/message_commands.h"
#include "cli/poll_command.h"
#include "cli/send_command.h"
#include "cli/settings_commands.h"

namespace {

constexpr const char* kUsage =
    "usage: tarvox-cli COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  profiles [--settings FILE]   list the profiles of the settings file\n"
    "  demo-settings FILE --pop3-port N --smtp-port N\n"
    "                               write a settings file for the demo mailbox\n"
    "  self-check                   write, lock, read back and check a demo settings file\n"
    "  send PROFILE [--settings FILE] --to ADDR [--cc ADDR] [--bcc ADDR] --subject TEXT\n"
    "       [--attach FILE]... [--bytes] [--timeout SECONDS] < BODY\n"
    "                               send a message with the profile's SMTP settings\n"
    "  view FILE [--all-headers] [--no-html-filter] [--raw] [--bytes]\n"
    "                               print a message file as the viewer shows it\n"
    "  attachments FILE [--save DIR] [--bytes]\n"
    "                               list a message file's attachments, or save them into DIR\n"
    "  list PROFILE [--settings FILE] [--host HOST] [--port N] [--user NAME] [--tls|--stls]\n"
    "       [--fingerprint FP] [--bytes] [--timeout SECONDS]\n"
    "                               list the mailbox on the server, deleting nothing\n"
    "  poll [PROFILE...] [--settings FILE] [--timeout SECONDS]\n"
    "                               poll the profiles included in poll-all (or those named)\n"
    "                               as Mailman does: NAME, COUNT, SIZE_KB, new|-|error: TEXT\n"
    "                               a line; exit 0 when one has new mail, 1 when none has\n"
    "  addressbook [--data FILE] list | show BOOK | search TEXT\n"
    "       | import BOOK --comma|--tab FILE | export BOOK --text|--tab FILE\n"
    "                               the address books of tarvox.dat (a running tarvox\n"
    "                               writes its own books over it when it ends)\n"
    "  --version                    print the version\n"
    "\n"
    "list and send give up on a server that stays silent for --timeout seconds (default 60).\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    std::string_view command = args[0];
    std::span<const std::string_view> rest(args.data() + 1, args.size() - 1);
    if (command == "--version") {
        std::printf("tarvox-cli %s\n", TARVOX_VERSION);
        return 0;
    }
    if (command == "profiles") {
        return tarvox::RunProfilesCommand(rest);
    }
    if (command == "demo-settings") {
        return tarvox::RunDemoSettingsCommand(rest);
    }
    if (command == "self-check") {
        return tarvox::RunSelfCheckCommand(rest);
    }
    if (command == "list") {
        return tarvox::RunListCommand(rest);
    }
    if (command == "send") {
        return tarvox::RunSendCommand(rest);
    }
    if (command == "view") {
        return tarvox::RunViewCommand(rest);
    }
    if (command == "poll") {
        return tarvox::RunPollCommand(rest);
    }
    if (command == "addressbook") {
        return tarvox::RunAddressBookCommand(rest);
    }
    if (command == "attachments") {
        return tarvox::RunAttachmentsCommand(rest);
    }
    std::fprintf(stderr, "tarvox-cli: unknown command '%.*s'\n%s", static_cast<int>(command.size()),
                 command.data(), kUsage);
    return 2;
}
