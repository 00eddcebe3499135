#include "message/attachment_safety.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <deque>
#include <optional>

#include "config/global_settings.h"
#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

TEST(AttachmentSafety, BlockedNamesMatchFragmentsAnywhereInAnyCase) {
    const std::string defaults(kDefaultBlockList);
    struct Case {
        const char* name;
        std::string_view blockext;
        bool blocked;
    };
    const Case cases[] = {
        {"report.pdf.exe", defaults, true},
        {"invoice.PDF", defaults, false},
        {"page.html", defaults, true},             // through ".HTM"
        {"my.company-notes.txt", defaults, true},  // ".com" inside the name
        {"photo.jpeg", defaults, false},
        {"script.vbs", defaults, true},
        {"Tool-x86_64.AppImage", defaults, true},
        {"readme.txt", "", false},  // an empty list blocks nothing
        {"a.eml", ".EML,", true},
        {"a.eml", ",,", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsBlockedName(c.name, c.blockext), c.blocked) << c.name;
    }
}

TEST(AttachmentSafety, WhatLooksExecutable) {
    TempDir folder;
    struct Case {
        const char* file;
        std::string content;
        mode_t mode;
        bool executable;
    };
    const Case cases[] = {
        {"notes.txt", "MZ is how this text starts", 0644, true},
        {"tool.exe", std::string("MZ\x90\0", 4), 0644, true},
        {"prog",
         std::string("\x7f"
                     "ELF\x02\x01",
                     6),
         0644, true},
        {"run.sh", "#!/bin/sh\necho hi\n", 0644, true},
        {"plain.sh", "echo hi\n", 0744, true},  // an execute bit
        {"plain.txt", "hello\n", 0644, false},
        {"one.txt", "M", 0644, false},
        {"empty.txt", "", 0644, false},
    };
    for (const Case& c : cases) {
        const auto path = folder / c.file;
        WriteWholeFile(path, c.content);
        ::chmod(path.c_str(), c.mode);
        EXPECT_EQ(LooksExecutable(path.string()), c.executable) << c.file;
    }
    EXPECT_TRUE(LooksExecutable((folder / "missing").string())) << "unopenable counts";
}

TEST(AttachmentSafety, SanityCheckWantsTheExactNumber) {
    EXPECT_EQ(SanityCheckNumber(7, 450), "4507");
    EXPECT_EQ(SanityCheckNumber(0, 0), "00");
    struct Case {
        std::optional<std::string> answer;  // nullopt cancels
        bool passed;
    };
    const Case cases[] = {
        {"120999", true},
        {"120999 ", false},  // a trailing blank
        {"999120", false},
        {std::nullopt, false},
    };
    for (const Case& c : cases) {
        ScriptedServices services;
        if (c.answer) {
            services.QueuePromptText(*c.answer);
        } else {
            services.QueuePromptCancel();
        }
        std::deque<std::uint32_t> draws = {2999, 1120};  // a = 999, b = 120
        EXPECT_EQ(RunSanityCheck(services,
                                 [&] {
                                     const std::uint32_t next = draws.front();
                                     draws.pop_front();
                                     return next;
                                 }),
                  c.passed)
            << c.answer.value_or("(cancel)");
        ASSERT_EQ(services.Prompts().size(), 1u);
        EXPECT_EQ(services.Prompts()[0].title, "SanityCheck - 120999");
        EXPECT_EQ(services.Prompts()[0].prompt,
                  "This is a potentially dangerous executable program!! To confirm execution "
                  "repeat the numeric sequence shown:");
    }
}

TEST(AttachmentSafety, ProposedNameIsTheLastComponent) {
    struct Case {
        std::string name;
        const char* proposed;
    };
    const Case cases[] = {
        {"report.pdf", "report.pdf"},
        {"../../etc/passwd", "passwd"},
        {"C:\\Users\\ann\\doc.txt", "doc.txt"},
        {"folder/", "untitled"},
        {"\" \"", "untitled"},
        {"\"\"", "untitled"},
        {"", "untitled"},
        {"..", "untitled"},
        {std::string(600, 'a'), "untitled"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProposedAttachmentName(c.name), c.proposed) << c.name;
    }
}

TEST(AttachmentSafety, BlockListDialogRows) {
    std::vector<BlockListRow> rows = BlockListRows(".EXE,.EML,.JS,");
    ASSERT_EQ(rows.size(), 52u);
    EXPECT_EQ(rows[0].fragment, ".ADE");
    EXPECT_FALSE(rows[0].checked);
    EXPECT_EQ(rows.back().fragment, ".EML");
    EXPECT_TRUE(rows.back().checked);
    EXPECT_EQ(BlockListValue(rows), ".EXE,.JS,.EML,") << "list order, each with a comma";
    rows.back().checked = false;
    EXPECT_EQ(BlockListValue(rows), ".EXE,.JS,");
    for (BlockListRow& row : rows) {
        row.checked = false;
    }
    EXPECT_EQ(BlockListValue(rows), "");
}

}  // namespace
}  // namespace tarvox
