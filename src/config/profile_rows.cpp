#include "config/profile_rows.h"

#include "codec/ascii.h"
#include "config/settings_text.h"
#include "frontend/services.h"

namespace tarvox {

std::optional<std::string> AskProfileName(FrontendServices& services,
                                          std::span<const ProfileRow> rows, std::size_t row,
                                          ProfileNaming naming) {
    TextPromptRequest request;
    request.title = naming == ProfileNaming::Rename ? "Rename profile" : "Clone profile";
    request.prompt = "Enter new profile name (unique)";
    request.capacity = kMaxProfileNameLength + 1;
    request.prefill = true;
    request.initial_text = rows[row].name;
    TextPromptResult answer = services.TextPrompt(request);
    if (!answer.submitted) {
        return std::nullopt;
    }
    // The prompt counts characters; the name must read back from its line.
    answer.text = StoredPrefix(answer.text, kMaxProfileNameLength);
    for (std::size_t other = 0; other < rows.size(); ++other) {
        const bool itself = naming == ProfileNaming::Rename && other == row;
        if (!itself && EqualsIgnoreAsciiCase(rows[other].name, answer.text)) {
            services.ShowMessage("A profile by this name already exists", request.title,
                                 BoxIcon::Error);
            return std::nullopt;
        }
    }
    return answer.text;
}

std::optional<ProfileList> ProfilesFromRows(std::span<const ProfileRow> rows) {
    ProfileList profiles;
    for (const ProfileRow& row : rows) {
        if (row.source == nullptr) {
            return std::nullopt;
        }
        Profile copy;
        CopyProfile(copy, *row.source);
        copy.name = row.name;
        AppendProfile(profiles, std::move(copy));
    }
    return profiles;
}

}  // namespace tarvox
