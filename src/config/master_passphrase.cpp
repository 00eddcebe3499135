#include "config/master_passphrase.h"

#include <cstdint>
#include <string>

#include "codec/latin1.h"
#include "codec/md5.h"
#include "codec/stored_text.h"
#include "config/comma_list.h"
#include "config/settings_text.h"

namespace tarvox {

namespace {

// Texts enter the hashed bytes in their stored form, so text that fits
// ISO-8859-1 hashes as its ISO-8859-1 bytes.
void AppendStored(std::string& bytes, std::string_view text) {
    bytes += ToStoredText(text);
}

// Integers enter the hashed texts as unsigned 32-bit decimals.
void AppendUnsigned(std::string& text, int value) {
    text += std::to_string(static_cast<std::uint32_t>(value));
}

}  // namespace

std::string VerifiedSettingsText(const GlobalSettings& settings) {
    std::string text;
    AppendStored(text, ReadBackText(settings.last));
    for (int value :
         {settings.mailman, settings.freq, settings.timeout, settings.repoll, settings.preview,
          settings.allheaders, settings.replyquote, settings.textcolor, settings.enterprev}) {
        AppendUnsigned(text, value);
    }
    return text;
}

std::string ComputeVerifier(const GlobalSettings& settings, std::string_view passphrase) {
    std::string text = VerifiedSettingsText(settings);
    AppendStored(text, passphrase);
    return Md5Hex(text);
}

ProfileKey ComputeProfileKey(const Profile& profile, std::string_view passphrase) {
    std::string text;
    AppendStored(text, ReadBackSectionName(profile.name));
    AppendUnsigned(text, profile.apop);
    AppendStored(text, ReadBackCommaList(profile.antispam));
    AppendStored(text, ReadBackText(profile.host));
    AppendUnsigned(text, profile.port);
    AppendStored(text, ReadBackText(profile.user));
    AppendStored(text, ReadBackText(profile.SMTPserver));
    AppendUnsigned(text, profile.SMTPport);
    AppendStored(text, ReadBackText(profile.SMTPname));
    AppendStored(text, ReadBackText(profile.SMTPaddress));
    AppendStored(text, passphrase);
    return Md5(text);
}

std::string ApplyProfileKey(std::string_view bytes, const ProfileKey& key) {
    std::string out(bytes);
    if (out.size() < key.size()) {
        out.resize(key.size(), '\0');
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char>(static_cast<std::uint8_t>(out[i]) ^ key[i % key.size()]);
    }
    return out;
}

namespace {

TextPromptResult AskPassphrase(FrontendServices& services) {
    TextPromptRequest request;
    request.title = kPassphrasePromptTitle;
    request.prompt = kPassphrasePromptText;
    request.capacity = kFieldCapacity;
    request.password_mode = true;
    return services.TextPrompt(request);
}

void ShowAccessDenied(FrontendServices& services) {
    services.ShowMessage(kIncorrectPassphraseText, kIncorrectPassphraseCaption, BoxIcon::Error);
}

}  // namespace

bool CheckPassphraseAtStartup(FrontendServices& services, const GlobalSettings& settings,
                              std::string& master_passphrase,
                              std::optional<SealingKey>& sealing_key) {
    TextPromptResult answer = AskPassphrase(services);
    if (!answer.submitted || answer.text.empty()) {
        return false;
    }
    bool matches = false;
    if (IsStrongVerifier(settings.md5)) {
        // A negative number from a damaged file becomes one the range check refuses.
        sealing_key = SealingKey::Derive(
            answer.text, {settings.kdfsalt, static_cast<unsigned long long>(settings.kdfops),
                          static_cast<std::size_t>(settings.kdfmem)});
        matches = sealing_key && sealing_key->Verifier(VerifiedSettingsText(settings)) == settings.md5;
    } else {
        matches = ComputeVerifier(settings, answer.text) == settings.md5;
    }
    if (!matches) {
        sealing_key.reset();
        ShowAccessDenied(services);
        return false;
    }
    master_passphrase = std::move(answer.text);
    return true;
}

bool RepromptPassphrase(FrontendServices& services, const GlobalSettings& settings,
                        std::string_view master_passphrase, bool main_window_visible) {
    if (settings.master == 0 || settings.reprompt == 0 || main_window_visible) {
        return true;
    }
    TextPromptResult answer = AskPassphrase(services);
    if (!answer.submitted) {
        return false;
    }
    if (answer.text != master_passphrase) {
        ShowAccessDenied(services);
        return false;
    }
    return true;
}

bool ApplyPassphraseSetting(FrontendServices& services, GlobalSettings& settings,
                            std::string& master_passphrase, bool enable, std::string_view typed) {
    if (!enable) {
        settings.master = 0;
        return true;
    }
    // Characters: Utf8ToLatin1 gives one byte for each.
    static constexpr std::size_t kMinimumLength = 6;
    bool too_short = !typed.empty() && Utf8ToLatin1(typed).size() < kMinimumLength;
    if (too_short || (typed.empty() && master_passphrase.empty())) {
        services.ShowMessage(kPassphraseTooShortText, "", BoxIcon::Error);
        settings.master = 0;
        return false;
    }
    settings.master = 1;
    if (!typed.empty()) {
        master_passphrase.assign(typed);
    }
    return true;
}

}  // namespace tarvox
