// A save killed at any moment leaves the old file or the whole new one: the
// settings, the address books, and a file the user chose (attachments, drafts
// and exports are written that way).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "addressbook/address_book_file.h"
#include "config/atomic_file.h"
#include "config/configuration_file.h"
#include "config/file_io.h"
#include "support/crash_loop.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

// Two versions of a few hundred KB, so that a kill often lands mid-write.
Configuration Settings(long version) {
    Configuration config;
    for (int i = 0; i < 300; ++i) {
        config.profiles.push_back({.name = "P" + std::to_string(i),
                                   .blacklist = std::string(1000, version % 2 ? 'a' : 'b'),
                                   .user = "v" + std::to_string(version % 2)});
    }
    return config;
}

AddressBooks Books(long version) {
    AddressBooks books{.books = {{.name = "Friends"}}};
    for (int i = 0; i < 5000; ++i) {
        books.books.front().entries.push_back(
            {"Name " + std::to_string(i), "v" + std::to_string(version % 2) + "@example.org"});
    }
    return books;
}

std::string Chosen(long version) { return std::string(400000, version % 2 ? 'x' : 'y'); }

TEST(CrashDuringSave, TheFileIsTheOldOrTheNewOneNeverAMix) {
    struct Case {
        const char* what;
        std::function<std::string(long version)> text;  // what version's file holds
        std::function<void(const std::filesystem::path&, long version)> save;
    } const cases[] = {
        {"settings",
         [](long v) {
             Configuration config = Settings(v);
             return FormatConfiguration(config);
         },
         [](const std::filesystem::path& path, long v) {
             Configuration config = Settings(v);
             SaveConfiguration(path, config);
         }},
        {"address books", [](long v) { return FormatAddressBooks(Books(v)); },
         [](const std::filesystem::path& path, long v) { SaveAddressBooks(path, Books(v)); }},
        {"a chosen file", Chosen,
         [](const std::filesystem::path& path, long v) {
             const std::string content = Chosen(v);
             ReplaceChosenFile(path, [&](int fd) { return WriteAll(fd, content); });
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::filesystem::path path = dir / "file";
        const std::string even = c.text(0), odd = c.text(1);
        CrashLoop(
            100, [&](long round) { c.save(path, round); },
            [&] {
                const std::string now = ReadFileBytes(path.string()).value_or("(missing)");
                EXPECT_TRUE(now == even || now == odd) << now.size() << " bytes";
            });
    }
}

}  // namespace
}  // namespace tarvox
