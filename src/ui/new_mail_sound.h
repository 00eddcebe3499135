// The new-mail sound through libcanberra, loaded when first needed (the
// program runs without it): a wave file by name, or with no file the desktop
// theme's "message-new-email" sound.
#pragma once

#include <string>

namespace tarvox {

class NewMailSound {
public:
    NewMailSound() = default;
    ~NewMailSound();
    NewMailSound(const NewMailSound&) = delete;
    NewMailSound& operator=(const NewMailSound&) = delete;

    // Starts playing; false when libcanberra or the sound cannot be had.
    bool Play(const std::string& wave_file);

private:
    bool Load();

    void* m_library = nullptr;
    void* m_context = nullptr;
    bool m_tried = false;
    int (*m_play)(void*, unsigned, ...) = nullptr;
    int (*m_destroy)(void*) = nullptr;
};

}  // namespace tarvox
