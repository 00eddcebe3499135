// One run of the Save Mail dialog: the selected messages, saved one after
// another in row order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/profile.h"
#include "message/save_mail.h"

namespace tarvox {

// What follows the end of one message's job.
enum class SaveMailStep { NextMessage, Done, Failed };

class SaveMailRun {
public:
    // `numbers` are the message numbers in row order; the run starts at the
    // first. An empty list makes no run.
    explicit SaveMailRun(std::vector<std::uint32_t> numbers);

    // The message in progress, and its place in the run (from 1).
    std::uint32_t number() const { return m_numbers.at(static_cast<std::size_t>(m_index - 1)); }
    int index() const { return m_index; }
    int total() const { return m_total; }

    // Stop: the run ends after the message in progress.
    void Stop() { m_total = m_index; }

    // The message in progress has ended with `outcome` (nothing: the download
    // did not complete). A saved or skipped message moves the run on to the
    // next one, or ends it after the last; anything else fails the run.
    SaveMailStep MessageEnded(std::optional<SaveMailOutcome> outcome);

    // "Downloading message 2 of 5 . . . [ 40% ]" for the message in progress.
    std::string ProgressText() const;
    // "Done saving 5 message(s)", counting the messages of a stopped run.
    std::string DoneText() const;

private:
    std::vector<std::uint32_t> m_numbers;
    int m_index = 1;
    int m_total = 0;
};

// After the dialog: its Options may have changed the working profile's
// settings for saved mail, which the stored profile of the same name takes
// too, to be written with the settings at Save & Exit. Nothing is stored
// without such a profile.
void KeepSavedMailSettings(ProfileList& stored, const Profile& working);

}  // namespace tarvox
