#include "message/mail_file_name.h"

#include <algorithm>
#include <cstdint>

#include "codec/utf8.h"

#include "message/address_list.h"
#include "message/mail_date.h"

namespace tarvox {

namespace {

constexpr std::string_view kPartSeparator = "  ";
constexpr std::string_view kSampleDate = "Sat, 22 Mar 2003 11:33:30";
constexpr std::string_view kSampleSender = "sender@example.com";
constexpr std::string_view kSampleRecipient = "recipient@example.com";
constexpr std::string_view kSampleSubject = "The subject";

std::string FirstAddress(std::string_view value) {
    AddressList list;
    ParseAddressList(value, list);
    return list.empty() ? std::string() : std::move(list.front().address);
}

void RemoveTrailing(std::string& text, std::string_view characters) {
    const std::size_t keep = text.find_last_not_of(characters);
    text.erase(keep == std::string::npos ? 0 : keep + 1);
}

char ReplacedCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte >= 128) {
        return ' ';
    }
    switch (c) {
        case ':':
            return '.';
        case '"':
            return '\'';
        case '<':
        case '>':
        case '|':
        case '/':
        case '\\':
        case '?':
        case '*':
            return '_';
        default:
            return c;
    }
}

// One folder level made of the profile name.
std::string ProfileFolderName(std::string_view profile_name) {
    if (profile_name.empty()) {
        return "default";
    }
    std::string name(profile_name);
    std::replace(name.begin(), name.end(), '/', '_');
    if (name.find_first_not_of('.') == std::string::npos) {
        std::replace(name.begin(), name.end(), '.', '_');
    }
    return name;
}

}  // namespace

NameSelector NameFormatSelector(NameFormat format, std::size_t place) {
    if (place > 3) {
        return NameSelector::None;
    }
    const unsigned value = (format >> (12 - 4 * place)) & 0xF;
    return value <= 6 ? static_cast<NameSelector>(value) : NameSelector::None;
}

NameFormat MakeNameFormat(const std::array<NameSelector, 4>& selectors) {
    NameFormat format = 0;
    for (NameSelector selector : selectors) {
        format = (format << 4) | (static_cast<NameFormat>(selector) & 0xF);
    }
    return format;
}

NameFormat ResolveNameFormat(NameFormat stored, MailFolderUse use) {
    stored &= 0xFFFF;
    if (stored != 0) {
        return stored;
    }
    return use == MailFolderUse::CopyToSelf ? kDefaultCopyToSelfFormat : kDefaultSavedMailFormat;
}

std::string BuildMailFileName(NameFormat format, std::string_view profile_name,
                              const MailNameFields& fields) {
    const std::string date_time = FormatMailDate(fields.date);
    const std::string_view date = std::string_view(date_time).substr(0, date_time.find(' '));

    std::string name;
    for (std::size_t place = 0; place < 4; ++place) {
        switch (NameFormatSelector(format, place)) {
            case NameSelector::None:
                continue;
            case NameSelector::Profile:
                name += profile_name;
                break;
            case NameSelector::Date:
                name += date;
                break;
            case NameSelector::DateTime:
                name += date_time;
                break;
            case NameSelector::From:
                name += FirstAddress(fields.from);
                break;
            case NameSelector::To:
                name += FirstAddress(fields.to);
                break;
            case NameSelector::Subject:
                name += fields.subject;
                break;
        }
        RemoveTrailing(name, " .");
        name += kPartSeparator;
    }
    RemoveTrailing(name, " ");
    // Characters beyond ASCII stay whole (Linux file names are bytes); C1
    // controls and bytes of no well-formed sequence become blanks.
    std::string cleaned;
    cleaned.reserve(name.size());
    for (std::size_t at = 0; at < name.size();) {
        std::uint32_t code_point = 0;
        const std::size_t length = DecodeUtf8Sequence(name, at, code_point);
        if (length > 0 && code_point >= 0xA0) {
            cleaned.append(name, at, length);
            at += length;
        } else {
            cleaned.push_back(ReplacedCharacter(name[at]));
            at += std::max<std::size_t>(length, 1);
        }
    }
    return cleaned;
}

std::string NameFormatPreview(NameFormat format, std::string_view profile_name,
                              std::string_view extension) {
    MailNameFields sample;
    sample.date = kSampleDate;
    sample.from = kSampleSender;
    sample.to = kSampleRecipient;
    sample.subject = kSampleSubject;
    return BuildMailFileName(format, profile_name, sample) + std::string(extension);
}

std::string DefaultMailFolder(const std::filesystem::path& mail_folder_root,
                              std::string_view profile_name, MailFolderUse use) {
    std::string folder = mail_folder_root.string();
    folder += '/';
    folder += ProfileFolderName(profile_name);
    if (use == MailFolderUse::CopyToSelf) {
        folder += "/copyself";
    }
    return folder;
}

MailSaveSettings MailSaveSettingsOf(const Profile& profile, MailFolderUse use) {
    if (use == MailFolderUse::CopyToSelf) {
        return {profile.copyself_dir, profile.copyself_ext,
                static_cast<NameFormat>(profile.copyself_fmt)};
    }
    return {profile.savemail_dir, profile.savemail_ext,
            static_cast<NameFormat>(profile.savemail_fmt)};
}

void StoreMailSaveSettings(Profile& profile, MailFolderUse use, const MailSaveSettings& settings) {
    const int format = static_cast<int>(settings.format & 0xFFFF);
    if (use == MailFolderUse::CopyToSelf) {
        profile.copyself_dir = settings.folder;
        profile.copyself_ext = settings.extension;
        profile.copyself_fmt = format;
    } else {
        profile.savemail_dir = settings.folder;
        profile.savemail_ext = settings.extension;
        profile.savemail_fmt = format;
    }
}

std::string EffectiveMailFolder(const MailSaveSettings& settings,
                                const std::filesystem::path& mail_folder_root,
                                std::string_view profile_name, MailFolderUse use) {
    if (!settings.folder.empty()) {
        return settings.folder;
    }
    return DefaultMailFolder(mail_folder_root, profile_name, use);
}

std::optional<std::string> BuildMailFilePath(std::string_view folder, std::string_view name,
                                             std::string_view extension) {
    if (folder.size() + 1 > kMailPathNameBudget || extension.size() > kFileNameComponentLimit) {
        return std::nullopt;
    }
    name = Utf8Prefix(name, kMailPathNameBudget - folder.size());
    name = Utf8Prefix(name, kFileNameComponentLimit - extension.size());

    std::string path(folder);
    path += '/';
    path += name;
    const std::size_t extension_start = path.size();
    path += extension;
    std::replace(path.begin() + static_cast<std::ptrdiff_t>(extension_start), path.end(), '/', '_');
    return path;
}

std::optional<std::string> MailFilePathFor(const Profile& profile, MailFolderUse use,
                                           const std::filesystem::path& mail_folder_root,
                                           const MailNameFields& fields) {
    const MailSaveSettings settings = MailSaveSettingsOf(profile, use);
    const std::string folder = EffectiveMailFolder(settings, mail_folder_root, profile.name, use);
    const std::string name =
        BuildMailFileName(ResolveNameFormat(settings.format, use), profile.name, fields);
    return BuildMailFilePath(folder, name, settings.extension);
}

}  // namespace tarvox
