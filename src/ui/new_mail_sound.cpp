#include "ui/new_mail_sound.h"

#include <dlfcn.h>

namespace tarvox {

namespace {

// libcanberra's own names (canberra.h), which this file is not built against.
constexpr const char* kLibrary = "libcanberra.so.0";
constexpr const char* kFileProperty = "media.filename";
constexpr const char* kEventProperty = "event.id";
constexpr const char* kThemeSound = "message-new-email";
constexpr const char* kDescriptionProperty = "event.description";

}  // namespace

NewMailSound::~NewMailSound() {
    if (m_context != nullptr) {
        m_destroy(m_context);
    }
    if (m_library != nullptr) {
        dlclose(m_library);
    }
}

bool NewMailSound::Load() {
    if (m_tried) {
        return m_context != nullptr;
    }
    m_tried = true;
    m_library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (m_library == nullptr) {
        return false;
    }
    using Create = int (*)(void**);
    const auto create = reinterpret_cast<Create>(dlsym(m_library, "ca_context_create"));
    m_play = reinterpret_cast<int (*)(void*, unsigned, ...)>(dlsym(m_library, "ca_context_play"));
    m_destroy = reinterpret_cast<int (*)(void*)>(dlsym(m_library, "ca_context_destroy"));
    if (create == nullptr || m_play == nullptr || m_destroy == nullptr || create(&m_context) != 0) {
        m_context = nullptr;
        return false;
    }
    return true;
}

bool NewMailSound::Play(const std::string& wave_file) {
    if (!Load()) {
        return false;
    }
    const char* description = "New mail";
    const int result =
        wave_file.empty()
            ? m_play(m_context, 0, kEventProperty, kThemeSound, kDescriptionProperty, description,
                     static_cast<const char*>(nullptr))
            : m_play(m_context, 0, kFileProperty, wave_file.c_str(), kDescriptionProperty,
                     description, static_cast<const char*>(nullptr));
    return result == 0;
}

}  // namespace tarvox
