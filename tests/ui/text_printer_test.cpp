// Printing into PDF files, read back with poppler's pdfinfo and pdftotext.
#include "ui/text_printer.h"

#include <QPrinter>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <regex>
#include <string>

#include "support/temp_dir.h"

namespace tarvox {
namespace {

std::string RunCommand(const std::string& command) {
    std::string output;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer{};
        std::size_t got = 0;
        while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
            output.append(buffer.data(), got);
        }
        ::pclose(pipe);
    }
    return output;
}

struct Printed {
    int pages_started = 0;
    int pdf_pages = -1;
    std::string text;  // pdftotext's reading of it
};

Printed PrintToPdf(const TempDir& folder, std::string_view text) {
    const std::string path = (folder / "printed.pdf").string();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(path));
    Printed printed;
    printed.pages_started = PrintTextOn(printer, "Tarvox: Composer", text);
    std::smatch match;
    const std::string info = RunCommand("pdfinfo '" + path + "'");
    if (std::regex_search(info, match, std::regex("Pages:\\s+(\\d+)"))) {
        printed.pdf_pages = std::stoi(match[1]);
    }
    EXPECT_NE(info.find("Tarvox: Composer"), std::string::npos) << "the document title";
    printed.text = RunCommand("pdftotext '" + path + "' -");
    return printed;
}

std::string Lines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) {
        text += "line " + std::to_string(i) + "\r\n";
    }
    return text;
}

TEST(PrintText, PagesFollowTheText) {
    TempDir folder;
    const Printed empty = PrintToPdf(folder, "");
    EXPECT_EQ(empty.pages_started, 1);
    EXPECT_EQ(empty.pdf_pages, 1);

    const Printed short_text = PrintToPdf(folder, Lines(20));
    EXPECT_EQ(short_text.pdf_pages, 1);

    const Printed long_text = PrintToPdf(folder, Lines(300));
    EXPECT_EQ(long_text.pdf_pages, long_text.pages_started);
    EXPECT_GE(long_text.pdf_pages, 4) << "a 10-point line is about a sixth of an inch";
    // Every line is printed once, in order, across the pages.
    std::size_t at = 0;
    for (int i = 1; i <= 300; ++i) {
        const std::string line = "line " + std::to_string(i) + "\n";
        const std::size_t found = long_text.text.find(line, at);
        ASSERT_NE(found, std::string::npos) << line;
        at = found + line.size();
    }
}

TEST(PrintText, LongLinesWrapAtWordsAndTheLastLineNeedsNoLineEnd) {
    TempDir folder;
    std::string words;
    for (int i = 0; i < 60; ++i) {
        words += "word" + std::to_string(i) + " ";
    }
    const Printed printed = PrintToPdf(folder, "first\r\n\r\n" + words + "\r\nlast line");
    // The long line takes several printed lines; none splits a word.
    std::size_t at = 0;
    int breaks = 0;
    for (int i = 0; i < 60; ++i) {
        const std::string word = "word" + std::to_string(i);
        const std::size_t found = printed.text.find(word, at);
        ASSERT_NE(found, std::string::npos) << word;
        if (printed.text.find('\n', at) < found) {
            ++breaks;
        }
        at = found + word.size();
    }
    EXPECT_GE(breaks, 3) << printed.text;
    EXPECT_NE(printed.text.find("last line"), std::string::npos);
}

}  // namespace
}  // namespace tarvox
