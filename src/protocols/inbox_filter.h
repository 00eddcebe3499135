// The inbox's filtered view: which entries keep a row, chosen by a text search
// in some columns or by flags, shown or hidden. Nothing of it is stored; the
// inbox window builds a filter from its dialog and applies it to the list.
#pragma once

#include <string>
#include <string_view>

#include "config/profile.h"
#include "protocols/inbox_entry.h"
#include "protocols/message_list.h"

namespace tarvox {

enum class FilterAction { ShowMatching, HideMatching };

// The three buttons that set the action and the flag boxes at once.
enum class FilterPreset { AllMail, NewMail, NeedingReply };

// What the dialog opens with: show matching mail, search the subject,
// nothing else chosen.
struct InboxFilter {
    FilterAction action = FilterAction::ShowMatching;

    // Flag boxes; an entry matches when any checked one holds.
    bool read = false;
    bool replied = false;
    bool copy_to_self = false;
    bool junk = false;
    bool attachments = false;

    // A non-empty text replaces the flags: an entry matches when the text
    // occurs, letter case ignored, in one of the checked columns.
    std::string text;
    bool in_subject = true;
    bool in_from = false;
    bool in_date = false;
    bool in_to = false;

    bool operator==(const InboxFilter&) const = default;
};

inline constexpr std::string_view kFilteredViewOff = "Filtered view OFF";
inline constexpr std::string_view kFilteredViewOn = "Filtered view ON (some messages may be hidden)";

// Whether the flag boxes and presets are in use: only while the search text
// is empty, since any text, a blank too, replaces them.
bool FlagBoxesUsable(const InboxFilter& filter);

// Sets the action and the five flag boxes; the text and columns stay.
//   All mail:         hide, no flags (everything is shown)
//   New mail, unseen: hide Read, Replied to, Copy to self
//   Needing reply:    hide Replied to, Copy to self, Junk / spam
void ApplyPreset(InboxFilter& filter, FilterPreset preset);

// A message the user sent to himself: its sender text equals the profile's
// SMTPname or SMTPaddress, ASCII case ignored. An empty name or address in the
// profile matches nothing, so that messages without a sender are not taken
// for copies to self when no identity is set.
bool IsCopyToSelf(const InboxEntry& entry, const Profile& profile);

// Whether the entry keeps its row: the match as described above, turned
// round when matching mail is hidden.
bool FilterKeeps(const InboxFilter& filter, const InboxEntry& entry, const Profile& profile);

// "Filtered view OFF" when matching mail is hidden and no flag box is
// checked, else "Filtered view ON (some messages may be hidden)".
std::string_view FilterStatusText(const InboxFilter& filter);

// Rebuilds the list's rows from its entries, in load order, keeping those
// the filter keeps, and sorts them newest first when the profile's autosort
// is 1.
void ApplyInboxFilter(MessageList& list, const InboxFilter& filter, const Profile& profile);

}  // namespace tarvox
