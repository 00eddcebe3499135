// The Profile Manager's rows: the names it shows, each with the profile its
// settings come from. The rows are edited until OK turns them into the new
// profile list.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "config/profile.h"

namespace tarvox {

class FrontendServices;

struct ProfileRow {
    std::string name;
    const Profile* source = nullptr;
};

enum class ProfileNaming { Rename, Clone };

// Asks for a new name for `rows[row]`'s profile ("Rename profile" or "Clone
// profile"), pre-filled with its name. Nothing when cancelled, or when another
// row has the name, ASCII case ignored, which is then said in a box. The
// renamed row's own name in another case is no clash; a clone's is.
std::optional<std::string> AskProfileName(FrontendServices& services,
                                          std::span<const ProfileRow> rows, std::size_t row,
                                          ProfileNaming naming);

// The new profile list: copies of the rows' profiles under the rows' names, in
// row order. Nothing when a row has no profile.
std::optional<ProfileList> ProfilesFromRows(std::span<const ProfileRow> rows);

}  // namespace tarvox
