// A keyring in memory for tests: it can be made unavailable, and it counts
// the calls that change it.
#pragma once

#include <map>
#include <string>

#include "config/keyring.h"

namespace tarvox {

struct MemoryKeyring : Keyring {
    std::map<std::string, std::string> entries;
    std::string unavailable;  // non-empty: every call fails with this reason
    int changes = 0;

    KeyringReply Read(const std::string& name) override {
        if (!unavailable.empty()) {
            return {KeyringStatus::Unavailable, unavailable};
        }
        const auto entry = entries.find(name);
        return entry == entries.end() ? KeyringReply{KeyringStatus::NotFound, {}}
                                      : KeyringReply{KeyringStatus::Done, entry->second};
    }
    KeyringReply Write(const std::string& name, const std::string& secret) override {
        if (!unavailable.empty()) {
            return {KeyringStatus::Unavailable, unavailable};
        }
        ++changes;
        entries[name] = secret;
        return {};
    }
    KeyringReply Remove(const std::string& name) override {
        if (!unavailable.empty()) {
            return {KeyringStatus::Unavailable, unavailable};
        }
        ++changes;
        entries.erase(name);
        return {};
    }
};

}  // namespace tarvox
