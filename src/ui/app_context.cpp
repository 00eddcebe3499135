#include "ui/app_context.h"

#include "ui/qt_services.h"

namespace tarvox {

void AppContext::TellKeyring(const std::string& notice) {
    if (!notice.empty() && services != nullptr) {
        services->ShowMessage(notice, "Desktop keyring", BoxIcon::Warning);
    }
}

void AppContext::FetchKeyringPasswords() {
    if (keyring != nullptr) {
        TellKeyring(keyring->Fetch(config.profiles));
    }
}

bool AppContext::SaveSettings() {
    if (config.file_unreadable) {
        return false;
    }
    if (keyring != nullptr) {
        TellKeyring(keyring->Store(config.profiles, config.global.keyring == 1));
    }
    const bool saved = SaveConfiguration(paths.settings_file, config);
    if (saved && keyring != nullptr) {
        keyring->Forget();
    }
    return saved;
}

}  // namespace tarvox
