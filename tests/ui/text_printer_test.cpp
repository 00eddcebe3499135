// Printing into PDF files, read back with poppler's pdfinfo and pdftotext.
#include "ui/text_printer.h"

#include <QPrinter>
#include <QProcess>

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tarvox {
namespace {

// What a poppler tool prints for these arguments.
std::string Poppler(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished();
    return process.readAllStandardOutput().toStdString();
}

// Prints `text`; gives pdftotext's reading of it after checking the pages.
std::string PrintToPdf(std::string_view text, int at_least_pages) {
    TempDir folder;
    const QString path = QString::fromStdString((folder / "printed.pdf").string());
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    const int started = PrintTextOn(printer, "Tarvox: Composer", text);
    const std::string info = Poppler("pdfinfo", {path});
    std::smatch pages;
    EXPECT_TRUE(std::regex_search(info, pages, std::regex("Pages:\\s+(\\d+)")));
    EXPECT_EQ(std::stoi(pages[1]), started);
    EXPECT_GE(started, at_least_pages);
    EXPECT_NE(info.find("Tarvox: Composer"), std::string::npos) << "the document title";
    return Poppler("pdftotext", {path, "-"});
}

// The line breaks between the words, which must occur in `text` in this order; -1 when not.
int BreaksBetween(const std::string& text, const std::vector<std::string>& words) {
    int breaks = 0;
    std::size_t at = 0;
    for (const std::string& word : words) {
        const std::size_t found = text.find(word, at);
        if (found == std::string::npos) {
            return -1;
        }
        breaks += text.find('\n', at) < found ? 1 : 0;
        at = found + word.size();
    }
    return breaks;
}

TEST(PrintText, PagesFollowTheTextAndLongLinesWrapAtWords) {
    EXPECT_EQ(PrintToPdf("", 1).find_first_not_of("\f\n "), std::string::npos)
        << "an empty text prints an empty page";
    std::string lines, words;
    std::vector<std::string> line_list, word_list;
    for (int i = 1; i <= 300; ++i) {
        lines += "line " + std::to_string(i) + "\r\n";
        line_list.push_back("line " + std::to_string(i) + "\n");
    }
    for (int i = 0; i < 60; ++i) {
        words += "word" + std::to_string(i) + " ";
        word_list.push_back("word" + std::to_string(i));
    }
    EXPECT_GE(BreaksBetween(PrintToPdf(lines, 4), line_list), 0) << "each line once, in order";
    const std::string wrapped = PrintToPdf("first\r\n\r\n" + words + "\r\nlast line", 1);
    EXPECT_GE(BreaksBetween(wrapped, word_list), 3) << "the long line wraps at words: " << wrapped;
    EXPECT_NE(wrapped.find("last line"), std::string::npos) << "needs no line end";
}

}  // namespace
}  // namespace tarvox
