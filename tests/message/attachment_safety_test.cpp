#include "message/attachment_safety.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <optional>

#include "config/global_settings.h"
#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

TEST(AttachmentSafety, BlockedNamesMatchFragmentsAnywhereInAnyCase) {
    const std::string_view defaults = kDefaultBlockList;
    const std::tuple<const char*, std::string_view, bool> cases[] = {
        {"report.pdf.exe", defaults, true}, {"invoice.PDF", defaults, false},
        {"page.html", defaults, true},             // through ".HTM"
        {"my.company-notes.txt", defaults, true},  // ".com" inside the name
        {"photo.jpeg", defaults, false}, {"Tool-x86_64.AppImage", defaults, true},
        {"readme.txt", "", false}, {"a.eml", ".EML,", true}, {"a.eml", ",,", false},
    };
    for (const auto& [name, blockext, blocked] : cases) {
        EXPECT_EQ(IsBlockedName(name, blockext), blocked) << name;
    }
}

TEST(AttachmentSafety, WhatLooksExecutable) {
    TempDir folder;
    const std::tuple<const char*, std::string, mode_t, bool> cases[] = {
        {"notes.txt", "MZ is how this text starts", 0644, true},
        {"tool.exe", std::string("MZ\x90\0", 4), 0644, true},
        {"prog", std::string("\x7f" "ELF\x02\x01", 6), 0644, true},
        {"run.sh", "#!/bin/sh\necho hi\n", 0644, true}, {"plain.sh", "echo hi\n", 0744, true},
        {"plain.txt", "hello\n", 0644, false}, {"one.txt", "M", 0644, false},
        {"empty.txt", "", 0644, false},
    };
    for (const auto& [file, content, mode, executable] : cases) {
        WriteWholeFile(folder / file, content);
        ::chmod((folder / file).c_str(), mode);
        EXPECT_EQ(LooksExecutable((folder / file).string()), executable) << file;
    }
    EXPECT_TRUE(LooksExecutable((folder / "missing").string())) << "unopenable counts";
}

TEST(AttachmentSafety, SanityCheckWantsTheExactNumber) {
    const std::pair<std::optional<std::string>, bool> cases[] = {
        {"120999", true}, {"120999 ", false}, {"999120", false}, {std::nullopt, false}};
    for (const auto& [answer, passed] : cases) {
        ScriptedServices services;
        if (answer) {
            services.QueuePromptText(*answer);
        } else {
            services.QueuePromptCancel();
        }
        // a = 999, then b = 120: the number is b then a.
        const auto draw = [next = 0]() mutable { return next++ == 0 ? 2999u : 1120u; };
        EXPECT_EQ(RunSanityCheck(services, draw), passed) << answer.value_or("(cancel)");
        ASSERT_EQ(services.Prompts().size(), 1u);
        EXPECT_EQ(services.Prompts()[0].title, "SanityCheck - 120999");
    }
}

TEST(AttachmentSafety, ProposedNameIsTheLastComponent) {
    const std::pair<std::string, const char*> cases[] = {
        {"report.pdf", "report.pdf"}, {"../../etc/passwd", "passwd"},
        {"C:\\Users\\ann\\doc.txt", "doc.txt"}, {"folder/", "untitled"}, {"\" \"", "untitled"},
        {"\"\"", "untitled"}, {"", "untitled"}, {"..", "untitled"},
        {std::string(600, 'a'), "untitled"},
    };
    for (const auto& [name, proposed] : cases) {
        EXPECT_EQ(ProposedAttachmentName(name), proposed) << name;
    }
}

TEST(AttachmentSafety, BlockListDialogRows) {
    std::vector<BlockListRow> rows = BlockListRows(".EXE,.EML,.JS,");
    // A fragment not on the known list comes last, checked.
    EXPECT_EQ(rows.back().fragment, ".EML");
    EXPECT_EQ(BlockListValue(rows), ".EXE,.JS,.EML,");
    rows.back().checked = false;
    EXPECT_EQ(BlockListValue(rows), ".EXE,.JS,");
}

}  // namespace
}  // namespace tarvox
