#include "protocols/inbox_filter.h"

#include "codec/ascii.h"
#include "junk/stored_flags.h"

namespace tarvox {

namespace {

bool TextMatches(const InboxFilter& filter, const InboxEntry& entry) {
    const struct {
        bool checked;
        const std::string& column;
    } columns[] = {
        {filter.in_subject, entry.subject},
        {filter.in_from, entry.sender},
        {filter.in_date, entry.date},
        {filter.in_to, entry.recipient},
    };
    for (const auto& c : columns) {
        if (c.checked && ContainsIgnoreAsciiCase(c.column, filter.text)) {
            return true;
        }
    }
    return false;
}

bool FlagsMatch(const InboxFilter& filter, const InboxEntry& entry, const Profile& profile) {
    return (filter.read && (entry.flags & kFlagRead) != 0) ||
           (filter.replied && (entry.flags & kFlagReplied) != 0) ||
           (filter.copy_to_self && IsCopyToSelf(entry, profile)) ||
           (filter.junk && entry.junk_verdict != JunkVerdict::NotJunk) ||
           (filter.attachments && entry.multipart);
}

bool AnyFlagChecked(const InboxFilter& filter) {
    return filter.read || filter.replied || filter.copy_to_self || filter.junk ||
           filter.attachments;
}

}  // namespace

bool FlagBoxesUsable(const InboxFilter& filter) {
    return filter.text.empty();
}

void ApplyPreset(InboxFilter& filter, FilterPreset preset) {
    filter.action = FilterAction::HideMatching;
    filter.read = preset == FilterPreset::NewMail;
    filter.replied = preset != FilterPreset::AllMail;
    filter.copy_to_self = preset != FilterPreset::AllMail;
    filter.junk = preset == FilterPreset::NeedingReply;
    filter.attachments = false;
}

bool IsCopyToSelf(const InboxEntry& entry, const Profile& profile) {
    for (const std::string* self : {&profile.SMTPname, &profile.SMTPaddress}) {
        if (!self->empty() && EqualsIgnoreAsciiCase(entry.sender, *self)) {
            return true;
        }
    }
    return false;
}

bool FilterKeeps(const InboxFilter& filter, const InboxEntry& entry, const Profile& profile) {
    const bool match =
        FlagBoxesUsable(filter) ? FlagsMatch(filter, entry, profile) : TextMatches(filter, entry);
    return filter.action == FilterAction::HideMatching ? !match : match;
}

std::string_view FilterStatusText(const InboxFilter& filter) {
    return filter.action == FilterAction::HideMatching && !AnyFlagChecked(filter)
               ? kFilteredViewOff
               : kFilteredViewOn;
}

void ApplyInboxFilter(MessageList& list, const InboxFilter& filter, const Profile& profile) {
    list.RebuildRows(
        [&](const InboxEntry& entry) { return FilterKeeps(filter, entry, profile); });
    if (profile.autosort == 1) {
        list.SortNewestFirst();
    }
}

}  // namespace tarvox
