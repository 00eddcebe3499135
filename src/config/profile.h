// One mail account: POP3 mailbox, SMTP server, identity, junk filter settings,
// stored message flags and inbox preferences. Field names are the keys of the
// profile's section in tarvox.ini; defaults are those of a reset record.
#pragma once

#include <array>
#include <list>
#include <string>
#include <string_view>

#include "config/global_settings.h"
#include "config/mailbox_mode.h"
#include "config/transport_security.h"

namespace tarvox {

struct Profile {
    std::string name;

    int inpoll = 1;
    int alive = 1;
    int nop_int = 60;
    int autosort = 1;
    int parse = 1;
    int use_status = 0;
    int autosave = 1;
    int apop = 0;
    int entermod = 0;
    int filterbits = 0;

    CommaList antispam;     // whitelist terms
    CommaList ispnetworks;  // networks for the foreign address check
    CommaList blacklist;    // blacklist terms
    CommaList whitepat;     // whitelist header patterns, base64 items
    CommaList blackpat;     // blacklist header patterns, base64 items
    CommaList msgid;        // stored message flags, 12-character items

    int savemail_fmt = 13408;
    int copyself_fmt = 13664;
    std::string savemail_ext = ".tvx";
    std::string copyself_ext = ".tvx";
    std::string savemail_dir;
    std::string copyself_dir;

    TransportSecurity protopop = TransportSecurity::Cleartext;
    std::string host;
    std::string pop_sslid;     // SHA-1 fingerprint of the accepted certificate
    std::string pop_sslid256;  // its SHA-256 fingerprint (empty in older records)
    int port = 110;
    std::string user;
    std::string pass;  // the clear password while in memory
    // 1: the passwords are kept in the desktop keyring, and the file's
    // password fields are empty.
    int keyring = 0;

    MailboxMode mode = MailboxMode::Full;
    int maximum = 0;
    std::array<int, 2> maildrop{};  // message count, size in bytes

    TransportSecurity SMTPproto = TransportSecurity::Cleartext;
    std::string SMTPserver;
    std::string SMTPuser;
    std::string SMTPpass;
    std::string SMTPsslid;
    std::string SMTPsslid256;
    int SMTPport = 25;
    std::string SMTPname;
    std::string SMTPaddress;
    std::string SMTPreplyto;
    std::string SMTPautobcc;
    std::string SMTPsigfile;
    int SMTPauth = 0;
    int SMTPpopbefore = 0;

    bool operator==(const Profile&) const = default;
};

// The profile list in file order. Elements stay where they are when others are
// added or removed, so a window may keep a pointer to a profile it shows.
using ProfileList = std::list<Profile>;

void ResetProfile(Profile& profile);

// Copies every field; the copy is not linked into any list.
void CopyProfile(Profile& destination, const Profile& source);

// Links a copy of `profile` at the end of the list and returns it.
Profile& AppendProfile(ProfileList& list, Profile profile);

// Unlinks and frees the profile; a profile not in the list is left alone.
// Returns whether it was found.
bool RemoveProfile(ProfileList& list, const Profile* profile);

// The first profile whose name matches without regard to ASCII letter case.
Profile* FindProfile(ProfileList& list, std::string_view name);
const Profile* FindProfile(const ProfileList& list, std::string_view name);

// The stored profile of the working profile's name (as FindProfile finds
// it), which keeps what an open inbox edits of it, such as the ISP networks;
// the working profile itself when none is stored.
Profile& StoredProfileOr(ProfileList& list, Profile& working);

// Replaces the settings of `existing` by those of `edited`, except what the
// options window does not edit: the name, the save settings for mail and
// copies to self, both certificate fingerprints, the stored message flags,
// the ISP networks and the mailbox statistics.
void MergeProfileEdits(Profile& existing, const Profile& edited);

enum class ProfileStored { Merged, Appended };

// The options window's Save: the edits go into the stored profile of the
// same name (MergeProfileEdits), or a new profile is appended.
ProfileStored StoreProfileEdits(ProfileList& list, Profile edited);

}  // namespace tarvox
