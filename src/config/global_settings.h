// The program-wide settings: the global section of tarvox.ini. Field names are
// the keys of the file; the defaults are those of a new installation.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace tarvox {

// Every text field of the settings is a 512-byte buffer in the file's world:
// at most 511 characters.
inline constexpr std::size_t kFieldCapacity = 512;

// A comma-separated list (black and white lists, patterns, networks, stored
// flags, block list). The empty list is the empty string.
using CommaList = std::string;

// Show command, minimised x/y, maximised x/y, normal rectangle left, top,
// right, bottom. Nine zeros: no placement stored.
using WindowPlacement = std::array<int, 9>;

// The built-in attachment block list, set after loading when the file has none:
// the Windows types, then those that run code on a Linux desktop (launchers,
// scripts, self-running images, installable packages). A stored list is kept
// as it is.
inline constexpr std::string_view kDefaultBlockList =
    ".ADE,.ADP,.BAS,.BAT,.CHM,.CMD,.COM,.CPL,.CRT,.EXE,.HLP,.HTA,.HTM,.HTML,.INF,.INS,.ISP,.JS,"
    ".JSE,.LNK,.MDB,.MDE,.MSC,.MSI,.MSP,.MST,.OCX,.PCD,.PIF,.REG,.SCR,.SCT,.SHS,.URL,.VB,.VBE,"
    ".VBS,.WSC,.WSF,.WSH,.DESKTOP,.SH,.RUN,.BIN,.APPIMAGE,.JAR,.DEB,.RPM,.FLATPAKREF,.PY,.PL";

struct GlobalSettings {
    std::string last;
    std::string fqdn;
    int master = 0;
    int reprompt = 0;
    std::string md5;  // the verifier: 32 hex digits (MD5), or the strong form
    // The strong form's key derivation (Argon2id): salt, passes and memory.
    std::string kdfsalt;
    int kdfops = 0;
    int kdfmem = 0;
    int keyring = 0;  // profile passwords go to the desktop keyring
    int mailman = 0;
    int freq = 15;
    int repoll = 0;
    int checkras = 0;
    int newsound = 0;
    std::string newwav;
    std::string gpgpath;
    std::string regfont;
    std::string fixfont;
    int timeout = 60;
    int allheaders = 0;
    int preview = 20;
    int autoprev = 0;
    int enterprev = 0;
    int confirmdel = 1;
    int confirmclose = 1;
    int htmlfilt = 1;
    int viewer_ro = 1;
    CommaList blockext;
    int mvfixedf = 0;
    int replyquote = 1;
    int quotesel = 0;
    int quotemarker = 1;
    int useorigcc = 1;
    int copyself = 0;
    int autoaddress = 1;
    int gpgfunc = 0;
    int encryptself = 0;
    int useautobcc = 1;
    int textcolor = 0;
    // The online help page Help falls back to when the local page cannot be
    // opened (the anchor of the section is appended); empty: there is none.
    std::string helpurl;
    std::array<int, 5> colwidth{170, 120, 120, 60, 140};
    std::array<int, 3> mmcolwidth{220, 30, 60};
    WindowPlacement ibsize{};
    WindowPlacement mvsize{};
    WindowPlacement mmsize{};
    WindowPlacement amsize{};

    bool operator==(const GlobalSettings&) const = default;
};

// What start-up does after a successful load: an empty block list becomes the
// built-in one, and the text colour is always 0.
void ApplyLoadedDefaults(GlobalSettings& settings);

}  // namespace tarvox
