// File names for saved mail and for copies of sent mail: a name built from
// header fields by a per-profile name format, the folder it goes into, and
// the full path.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "config/profile.h"

namespace tarvox {

// Four 4-bit selectors: bits 12-15 choose the first part of the name, bits
// 8-11 the second, bits 4-7 the third, bits 0-3 the fourth. Only the low 16
// bits count.
using NameFormat = unsigned int;

// Selector values; 7 to 15 count as None.
enum class NameSelector {
    None = 0,
    Profile = 1,
    Date = 2,
    DateTime = 3,
    From = 4,
    To = 5,
    Subject = 6
};

// The option texts of the name format lists, in selector order.
inline constexpr std::array<std::string_view, 7> kNameSelectorTexts = {
    "-none-", "Profile", "Date", "Date/Time", "From", "To", "Subject"};

// Date/Time, From, Subject, -none-.
inline constexpr NameFormat kDefaultSavedMailFormat = 0x3460;
// Date/Time, To, Subject, -none-.
inline constexpr NameFormat kDefaultCopyToSelfFormat = 0x3560;

// The longest name that fits a path is this many characters less the
// folder's length.
inline constexpr std::size_t kMailPathNameBudget = 254;
// The longest file name (name and extension) the file system takes.
inline constexpr std::size_t kFileNameComponentLimit = 255;

enum class MailFolderUse { SavedMail, CopyToSelf };

// The selector in place 0 (bits 12-15) to 3 (bits 0-3); values 7-15 give
// None.
NameSelector NameFormatSelector(NameFormat format, std::size_t place);

// The format of four selectors, first place first.
NameFormat MakeNameFormat(const std::array<NameSelector, 4>& selectors);

// A stored format of 0 means the default of its use.
NameFormat ResolveNameFormat(NameFormat stored, MailFolderUse use);

// The header values a name is built from.
struct MailNameFields {
    std::string date;  // the Date value as it stands; converted by FormatMailDate
    std::string from;  // a From value; its first address is used
    std::string to;    // a To value; its first address is used
    std::string subject;
};

// The file name without folder or extension. Each selected part is appended
// and followed by two blanks, after blanks and dots at the end of the text
// built so far are removed; blanks at the end are removed; then control
// characters (C1 ones too) and bytes of no well-formed UTF-8 sequence become
// blanks, ":" becomes ".", '"' becomes "'", and < > | / \ ? * become "_";
// other characters beyond ASCII stay whole. So the name never holds a path
// separator.
std::string BuildMailFileName(NameFormat format, std::string_view profile_name,
                              const MailNameFields& fields);

// The options dialog's preview: the name built from a fixed sample message
// (dated "Sat, 22 Mar 2003 11:33:30", subject "The subject") and the
// profile name, followed by the extension.
std::string NameFormatPreview(NameFormat format, std::string_view profile_name,
                              std::string_view extension);

// The default folder of a profile: `mail_folder_root` (see ResolveDataPaths),
// then the profile name ("default" when empty), then "copyself" for copies of
// sent mail. The profile name is one folder level: "/" in it becomes "_", and
// a name made only of dots has each dot replaced by "_", so the folder stays
// under the root.
std::string DefaultMailFolder(const std::filesystem::path& mail_folder_root,
                              std::string_view profile_name, MailFolderUse use);

// The folder, extension and stored format of a profile for one use.
struct MailSaveSettings {
    std::string folder;  // empty: the default folder
    std::string extension;
    NameFormat format = 0;  // 0: the default
};
MailSaveSettings MailSaveSettingsOf(const Profile& profile, MailFolderUse use);
// Makes `settings` the profile's settings for the use; the other use's stay.
void StoreMailSaveSettings(Profile& profile, MailFolderUse use, const MailSaveSettings& settings);

// The settings' folder, or the default folder when it is empty.
std::string EffectiveMailFolder(const MailSaveSettings& settings,
                                const std::filesystem::path& mail_folder_root,
                                std::string_view profile_name, MailFolderUse use);

// folder + "/" + name + extension. The name is first cut to 254 bytes less
// the folder's length; nothing when that leaves less than 1. The name is also
// cut so that name and extension make at most 255 bytes (never inside a
// UTF-8 character), the longest file name
// the file system takes; nothing when the extension alone is longer. A "/" in
// the extension becomes "_", so the file always lies in the folder.
std::optional<std::string> BuildMailFilePath(std::string_view folder, std::string_view name,
                                             std::string_view extension);

// The full path of the file for one message: the profile's settings for the
// use, the resolved name format, the profile's name and the fields. Nothing when no valid path
// results.
std::optional<std::string> MailFilePathFor(const Profile& profile, MailFolderUse use,
                                           const std::filesystem::path& mail_folder_root,
                                           const MailNameFields& fields);

}  // namespace tarvox
