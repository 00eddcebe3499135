// The viewer window offscreen: the formatted and raw views, all headers,
// Reformat, the attachment list with Save (byte-exact for each encoding),
// the block list question, the SanityCheck before an executable is opened,
// Delete of the last saved file, the block list dialog, links in a selection,
// the text commands (Save As, Append to, Archive, Print, GnuPG) and the file
// mode of /VIEW.
#include "ui/viewer_window.h"

#include <sys/stat.h>

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "codec/base64.h"
#include "compose/gpg_function.h"
#include "compose/piped_process.h"
#include "config/file_io.h"
#include "config/global_settings.h"
#include "support/temp_dir.h"
#include "ui/app_context.h"
#include "ui/block_list_dialog.h"
#include "ui/dialog_driver.h"
#include "ui/qt_services.h"
#include "ui/qt_text.h"
#include "ui/viewer_font.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

std::string DataFile(const std::string& relative) {
    return ReadWholeFile(fs::path(TARVOX_TEST_DATA_DIR) / relative);
}

// A message with one base64 attachment of `name` holding `data`.
std::string MessageWithAttachment(const std::string& name, const std::string& data) {
    return "From: sender@example.org\r\nSubject: Files\r\n"
           "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
           "--b\r\nContent-Type: text/plain\r\n\r\nSee http://www.example.com/page and more.\r\n"
           "--b\r\nContent-Type: application/octet-stream; name=\"" +
           name + "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + EncodeBase64(data) +
           "\r\n--b--\r\n";
}

class ViewerWindowTest : public ::testing::Test {
protected:
    ViewerWindowTest() {
        context.services = &services;
        context.config.global.blockext = ".EXE,.HTM,";  // the .bin files here are not blocked
    }

    std::unique_ptr<ViewerWindow> Open(std::string text) {
        ViewerSource source;
        source.file_path = "/tmp/message.eml";
        auto window = std::make_unique<ViewerWindow>(context, std::move(text), source);
        window->SetSavePicker([this](QWidget*, const FileSaveRequest& request) {
            requests.push_back(request);
            return save_to;
        });
        window->SetUrlOpener([this](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
        return window;
    }

    std::string Shown(const ViewerWindow& window) const {
        return FromQString(window.text_edit()->toPlainText());
    }

    // Presses the button named `name` (the Attachments tab's "save", "view",
    // "deleteSaved"; the block list's "add", "restore").
    static void Press(QWidget& window, const char* name) {
        auto* button = window.findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }

    // Selects the one row named `name`.
    static void SelectOnly(ViewerWindow& window, const QString& name) {
        QTreeWidget* list = window.attachment_list();
        list->clearSelection();
        bool found = false;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            if (list->topLevelItem(i)->text(0) == name) {
                list->topLevelItem(i)->setSelected(true);
                found = true;
            }
        }
        ASSERT_TRUE(found) << name.toStdString();
    }

    TempDir dir;
    QtServices services;
    AppContext context;
    QString save_to;
    std::vector<FileSaveRequest> requests;
    std::vector<QUrl> opened;
};

TEST_F(ViewerWindowTest, FormattedViewHeaderBlockWithThreeToAddresses) {
    auto window = Open(DataFile("message/viewer/three_recipients.eml"));
    const std::string shown = Shown(*window);
    EXPECT_EQ(shown.rfind("Date:\t\tTue, 1 Apr 2003 09:00:00 +0200\n", 0), 0u) << shown;
    EXPECT_NE(shown.find("From:\t\tJ\xfcrgen M\xfcller <jm@example.org>\n"), std::string::npos);
    EXPECT_NE(shown.find("To:\t\tAnn <ann@example.net>\n\t\t\"Smith, Bob\" <bob@example.net>\n"
                         "\t\tcarol@example.net\n"),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("ReplyTo:\treplies@example.org\n"), std::string::npos);
    // No Subject header: no Subject line at all.
    EXPECT_EQ(shown.find("Subject:"), std::string::npos);
    EXPECT_EQ(shown.find("Received:"), std::string::npos);
    EXPECT_EQ(shown.find("X-Mailer:"), std::string::npos);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("/tmp/message.eml"));
    EXPECT_EQ(window->tabs()->count(), 2);
    EXPECT_EQ(window->tabs()->tabText(0), QStringLiteral("Message Text"));
    EXPECT_EQ(window->tabs()->tabText(1), QStringLiteral("Attachments"));
    EXPECT_EQ(window->tabs()->currentIndex(), 0);
}

TEST_F(ViewerWindowTest, AllHeadersShowsTheRawHeaderLines) {
    for (const int all : {0, 1}) {
        context.config.global.allheaders = all;
        auto window = Open(DataFile("message/viewer/three_recipients.eml"));
        const std::string shown = Shown(*window);
        const bool starts_raw = shown.rfind("Received: from mx.example.org", 0) == 0;
        EXPECT_EQ(starts_raw, all == 1) << shown;
        EXPECT_EQ(shown.find("X-Mailer: Hand\n") != std::string::npos, all == 1);
        EXPECT_EQ(shown.find("From:\t\t") != std::string::npos, all == 0);
    }
}

TEST_F(ViewerWindowTest, RawViewShowsTheTextAsItIsAndRefusesReformat) {
    const std::string text = DataFile("message/viewer/three_recipients.eml");
    auto window = Open(text);
    window->action("rawView")->trigger();
    EXPECT_TRUE(window->raw_view());
    EXPECT_TRUE(window->action("rawView")->isChecked());
    std::string lf = text;
    for (std::size_t at = 0; (at = lf.find("\r\n", at)) != std::string::npos;) {
        lf.erase(at, 1);
    }
    EXPECT_EQ(Shown(*window), lf);

    SeenBox box;
    DialogDriver driver;
    driver.Then(RecordBoxAndClick(&box, "OK"));
    window->action("reformat")->trigger();
    EXPECT_EQ(box.text,
              QStringLiteral("Can only reformat and wrap the formatted view (turn off raw view)"));
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_EQ(Shown(*window), lf);

    window->action("rawView")->trigger();
    EXPECT_FALSE(window->raw_view());
    EXPECT_EQ(window->display_text(), window->message().display_text());
}

TEST_F(ViewerWindowTest, ReformatWrapsTheFormattedViewAt75) {
    const std::string word = "word ";
    std::string body;
    for (int i = 0; i < 40; ++i) {
        body += word;
    }
    auto window = Open("From: a@example.org\r\nSubject: Long\r\n\r\n" + body + "\r\n");
    window->action("reformat")->trigger();
    const std::string shown = Shown(*window);
    std::size_t start = 0;
    int lines = 0;
    while (start <= shown.size()) {
        std::size_t end = shown.find('\n', start);
        if (end == std::string::npos)
            end = shown.size();
        EXPECT_LE(end - start, 75u) << shown.substr(start, end - start);
        ++lines;
        start = end + 1;
    }
    EXPECT_GT(lines, 4);
    EXPECT_NE(window->display_text(), window->message().display_text());
}

TEST_F(ViewerWindowTest, HtmlFilterSetting) {
    const std::string html = DataFile("message/mime/html_quoted_printable.eml");
    for (const int filter : {1, 0}) {
        SCOPED_TRACE(filter);
        context.config.global.htmlfilt = filter;
        auto window = Open(html);
        const std::string shown = Shown(*window);
        EXPECT_NE(shown.find("Caf\xe9"), std::string::npos) << shown;
        EXPECT_EQ(shown.find("<p>") != std::string::npos, filter == 0) << shown;
        EXPECT_EQ(shown.find("&amp;") != std::string::npos, filter == 0) << shown;
    }
}

TEST_F(ViewerWindowTest, ReformatOfALongTextWarnsFirst) {
    std::string body;
    for (int i = 0; i < 1001; ++i) {
        body += "line\r\n";
    }
    auto window = Open("Subject: long\r\n\r\n" + body);
    SeenBox box;
    DialogDriver driver;
    driver.Then(RecordBoxAndClick(&box, "OK"));
    window->action("reformat")->trigger();
    EXPECT_EQ(box.title, QStringLiteral("Warning"));
    EXPECT_TRUE(box.text.startsWith(
        QStringLiteral("There is a substantial amount of text shown (is raw view on?)")));
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_EQ(driver.pending(), 0u);
}

TEST_F(ViewerWindowTest, ReadOnlySettingAndFixedFontToggle) {
    context.config.global.viewer_ro = 0;
    context.config.global.mvfixedf = 1;
    {
        auto window = Open("Subject: x\r\n\r\nbody\r\n");
        EXPECT_FALSE(window->text_edit()->isReadOnly());
        EXPECT_TRUE(window->action("fixedFont")->isChecked());
        EXPECT_EQ(window->text_edit()->font(), FontFromRecord("", FontRole::Fixed));
        window->action("fixedFont")->trigger();
        EXPECT_EQ(context.config.global.mvfixedf, 0);
        EXPECT_EQ(window->text_edit()->font(), FontFromRecord("", FontRole::Regular));
    }
    context.config.global.viewer_ro = 1;
    auto window = Open("Subject: x\r\n\r\nbody\r\n");
    EXPECT_TRUE(window->text_edit()->isReadOnly());
    EXPECT_FALSE(window->action("fixedFont")->isChecked());
}

TEST_F(ViewerWindowTest, SetFontStoresTheRecordOfTheFontInUse) {
    auto window = Open("Subject: x\r\n\r\nbody\r\n");
    QFont chosen(QStringLiteral("Chosen Face"));
    chosen.setPixelSize(19);
    window->SetFontPicker([&](QWidget*, bool fixed_only, QFont& font) {
        EXPECT_FALSE(fixed_only);
        font = chosen;
        return true;
    });
    window->action("setFont")->trigger();
    EXPECT_EQ(context.config.global.regfont, RecordFromFont(chosen));
    EXPECT_TRUE(context.config.global.fixfont.empty());
    EXPECT_EQ(window->text_edit()->font().family(), QStringLiteral("Chosen Face"));
}

TEST_F(ViewerWindowTest, PlacementRestoredAndSaved) {
    context.config.global.mvsize = {1, -1, -1, -1, -1, 10, 20, 510, 420};
    auto window = Open("Subject: x\r\n\r\nbody\r\n");
    EXPECT_EQ(window->size(), QSize(500, 400));
    window->resize(640, 480);
    window->reject();
    EXPECT_EQ(context.config.global.mvsize[7] - context.config.global.mvsize[5], 640);
    EXPECT_EQ(context.config.global.mvsize[8] - context.config.global.mvsize[6], 480);
}

TEST_F(ViewerWindowTest, AttachmentListColumnsAndLabels) {
    auto window = Open(DataFile("message/viewer/hostile_names.eml"));
    QTreeWidget* list = window->attachment_list();
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("File name"));
    EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("Encoding"));
    EXPECT_EQ(list->columnWidth(0), 300);
    EXPECT_EQ(list->columnWidth(1), 100);
    ASSERT_EQ(list->topLevelItemCount(), static_cast<int>(window->message().attachments().size()));
    bool saw_decoded = false;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        saw_decoded |= list->topLevelItem(i)->text(0) == QString::fromLatin1("caf\xe9.bin");
    }
    EXPECT_TRUE(saw_decoded);
}

TEST_F(ViewerWindowTest, SaveWritesEachEncodingByteExact) {
    const std::string every_byte = DataFile("message/mime/every-byte.bin");
    ASSERT_EQ(every_byte.size(), 1024u);
    const char* files[] = {"roundtrip_base64.eml", "roundtrip_quoted_printable.eml",
                           "roundtrip_uuencode.eml"};
    for (const char* file : files) {
        SCOPED_TRACE(file);
        auto window = Open(DataFile(std::string("message/mime/") + file));
        SelectOnly(*window, QStringLiteral("every-byte.bin"));
        const fs::path target = dir / (std::string(file) + ".out");
        save_to = QString::fromStdString(target.string());
        requests.clear();
        Press(*window, "save");
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].title, QStringLiteral("Save decoded file"));
        EXPECT_EQ(requests[0].proposed, QStringLiteral("every-byte.bin"));
        EXPECT_EQ(requests[0].default_suffix, QStringLiteral("bin"));
        EXPECT_EQ(ReadWholeFile(target), every_byte);
        EXPECT_EQ(window->last_saved_attachment(), target.string());
        EXPECT_TRUE(opened.empty());
    }
}

TEST_F(ViewerWindowTest, SaveProposesOnlyTheLastComponent) {
    auto window = Open(DataFile("message/viewer/hostile_names.eml"));
    SelectOnly(*window, QStringLiteral("../../evil"));
    save_to.clear();  // Cancel
    Press(*window, "save");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].proposed, QStringLiteral("evil"));
    EXPECT_TRUE(window->last_saved_attachment().empty());
}

TEST_F(ViewerWindowTest, PreviewWarnsAndAnUnwritablePathIsReported) {
    ViewerSource source;
    source.kind = ViewerSource::Kind::Mail;
    source.preview = true;
    source.row_title = QStringLiteral("Files");
    ViewerWindow window(context, MessageWithAttachment("notes.txt", "x"), source);
    window.SetSavePicker([this](QWidget*, const FileSaveRequest&) {
        return QString::fromStdString((dir / "missing-folder" / "notes.txt").string());
    });
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Files"));
    SelectOnly(window, QStringLiteral("notes.txt"));
    SeenBox warning;
    SeenBox failure;
    DialogDriver driver;
    driver.Then(RecordBoxAndClick(&warning, "OK"));
    driver.Then(RecordBoxAndClick(&failure, "OK"));
    Press(window, "save");
    EXPECT_EQ(warning.title, QStringLiteral("Warning"));
    EXPECT_TRUE(warning.text.startsWith(
        QStringLiteral("Because only a part of the entire message is shown")));
    EXPECT_EQ(failure.text, QStringLiteral("Unable to create file"));
    EXPECT_EQ(failure.icon, QMessageBox::Critical);
    EXPECT_TRUE(window.last_saved_attachment().empty());
}

TEST_F(ViewerWindowTest, BlockedNameAsksFirst) {
    struct Case {
        const char* answer;
        bool saved;
    };
    for (const Case c : {Case{"No", false}, Case{"Yes", true}}) {
        SCOPED_TRACE(c.answer);
        auto window = Open(MessageWithAttachment("invoice.pdf.exe", "payload"));
        SelectOnly(*window, QStringLiteral("invoice.pdf.exe"));
        const fs::path target = dir / (std::string("blocked-") + c.answer);
        save_to = QString::fromStdString(target.string());
        requests.clear();
        SeenBox box;
        DialogDriver driver;
        driver.Then(RecordBoxAndClick(&box, c.answer));
        Press(*window, "save");
        EXPECT_EQ(box.title, QStringLiteral("invoice.pdf.exe"));
        EXPECT_TRUE(box.text.startsWith(QStringLiteral(
            "This attachment's file type is on Tarvox's \"block list\" of potentially dangerous")));
        EXPECT_TRUE(box.text.endsWith(QStringLiteral("Do you really want to save this file?")));
        EXPECT_EQ(box.icon, QMessageBox::Warning);
        EXPECT_EQ(box.default_button.remove('&'), QStringLiteral("No"));
        EXPECT_EQ(requests.size(), c.saved ? 1u : 0u);
        EXPECT_EQ(fs::exists(target), c.saved);
        EXPECT_EQ(driver.pending(), 0u);
    }
}

TEST_F(ViewerWindowTest, ViewOfABlockedNameSavesButDoesNotOpen) {
    auto window = Open(MessageWithAttachment("page.html", "<p>hi</p>"));
    SelectOnly(*window, QStringLiteral("page.html"));
    const fs::path target = dir / "page.html";
    save_to = QString::fromStdString(target.string());
    SeenBox denied;
    DialogDriver driver;
    driver.Then(ClickButton("Yes"));
    driver.Then(RecordBoxAndClick(&denied, "OK"));
    Press(*window, "view");
    EXPECT_TRUE(fs::exists(target));
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(denied.title, QString::fromStdString(target.string()));
    EXPECT_TRUE(
        denied.text.endsWith(QStringLiteral("View/Execute denied - potentially dangerous file.")));
    EXPECT_EQ(denied.icon, QMessageBox::Critical);
}

TEST_F(ViewerWindowTest, ViewOpensAPlainFileWithoutQuestions) {
    auto window = Open(MessageWithAttachment("notes.txt", "just text"));
    SelectOnly(*window, QStringLiteral("notes.txt"));
    const fs::path target = dir / "notes.txt";
    save_to = QString::fromStdString(target.string());
    Press(*window, "view");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(save_to));
}

TEST_F(ViewerWindowTest, SanityCheckBeforeOpeningAnExecutable) {
    struct Case {
        const char* typed;
        bool opens;
    };
    // Draws 7 then 42: the number is b then a, "427".
    const std::string program = std::string("MZ\x90", 3) + '\0' + "program";
    for (const Case c : {Case{"427", true}, Case{"427 ", false}, Case{"742", false}}) {
        SCOPED_TRACE(std::string("typed '") + c.typed + "'");
        opened.clear();
        auto window = Open(MessageWithAttachment("tool.bin", program));
        std::vector<std::uint32_t> draws = {1007, 42};
        window->SetSanityDraw([draws, next = std::size_t{0}]() mutable { return draws[next++]; });
        SelectOnly(*window, QStringLiteral("tool.bin"));
        const fs::path target = dir / "tool.bin";
        save_to = QString::fromStdString(target.string());
        QString prompt_title;
        SeenBox refused;
        DialogDriver driver;
        driver.Then([&](QWidget* dialog) {
            prompt_title = dialog->windowTitle();
            TypeAndClick(QString::fromLatin1(c.typed), "submit")(dialog);
        });
        if (!c.opens) {
            driver.Then(RecordBoxAndClick(&refused, "OK"));
        }
        Press(*window, "view");
        EXPECT_EQ(prompt_title, QStringLiteral("SanityCheck - 427"));
        EXPECT_EQ(opened.size(), c.opens ? 1u : 0u);
        if (!c.opens) {
            EXPECT_EQ(refused.title, QStringLiteral("SanityCheck"));
            EXPECT_EQ(refused.text,
                      QStringLiteral("The executable attachment was saved to disk but was NOT "
                                     "opened."));
            EXPECT_EQ(refused.icon, QMessageBox::Critical);
        }
        EXPECT_EQ(ReadWholeFile(target), program);
        EXPECT_EQ(driver.pending(), 0u);
    }
}

TEST_F(ViewerWindowTest, DeleteLastSavedAsksAndRemoves) {
    auto window = Open(MessageWithAttachment("notes.txt", "just text"));
    Press(*window, "deleteSaved");  // nothing saved yet: no question
    SelectOnly(*window, QStringLiteral("notes.txt"));
    const fs::path target = dir / "notes.txt";
    save_to = QString::fromStdString(target.string());
    Press(*window, "save");
    ASSERT_TRUE(fs::exists(target));

    for (const char* answer : {"No", "Yes"}) {
        SeenBox box;
        DialogDriver driver;
        driver.Then(RecordBoxAndClick(&box, answer));
        Press(*window, "deleteSaved");
        EXPECT_EQ(box.text,
                  QStringLiteral("Delete this file? (If last save was for temporary viewing)"));
        EXPECT_EQ(box.title, QString::fromStdString(target.string()));
        EXPECT_EQ(fs::exists(target), std::string(answer) == "No");
    }
    EXPECT_TRUE(window->last_saved_attachment().empty());
}

TEST_F(ViewerWindowTest, BlockListDialogStoresTheCheckedRows) {
    context.config.global.blockext = ".EXE,.EML,";
    BlockListDialog dialog(context);
    QTreeWidget* list = dialog.list();
    ASSERT_EQ(list->topLevelItemCount(), 52);
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("File extension to block"));
    EXPECT_EQ(list->topLevelItem(51)->text(0), QStringLiteral(".EML"));
    EXPECT_EQ(list->topLevelItem(51)->checkState(0), Qt::Checked);
    EXPECT_EQ(list->topLevelItem(0)->checkState(0), Qt::Unchecked);  // .ADE
    DialogDriver driver;
    driver.Then(TypeAndClick(".tvx", "submit"));
    Press(dialog, "add");
    emit list->itemClicked(list->topLevelItem(0), 0);  // check .ADE
    // The space bar toggles the current row: .ADP on and off, .BAS on.
    for (const int row : {1, 1, 2}) {
        list->setCurrentItem(list->topLevelItem(row));
        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(list, &space);
    }
    // A click on a checked row unchecks it.
    emit list->itemClicked(list->topLevelItem(51), 0);  // .EML off
    Press(dialog, "ok");
    EXPECT_EQ(context.config.global.blockext, ".ADE,.BAS,.EXE,.tvx,");
}

TEST_F(ViewerWindowTest, BlockListHelpOpensItsTopic) {
    QStringList anchors;
    BlockListDialog dialog(context);
    auto* help = dialog.findChild<QPushButton*>("help");
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->text(), QStringLiteral("&Help"));
    help->click();  // no help viewer set: nothing happens
    context.show_help = [&anchors](const QString& anchor) { anchors << anchor; };
    help->click();
    EXPECT_EQ(anchors, QStringList{"#vwsafety"});
}

TEST_F(ViewerWindowTest, BlockListRestoreDefaults) {
    for (const char* answer : {"No", "Yes"}) {
        context.config.global.blockext = ".EML,";
        BlockListDialog dialog(context);
        SeenBox box;
        DialogDriver driver;
        driver.Then(RecordBoxAndClick(&box, answer));
        Press(dialog, "restore");
        EXPECT_EQ(box.title, QStringLiteral("Attachment block list"));
        EXPECT_TRUE(box.text.startsWith(
            QStringLiteral("Are you sure you want to restore the default attachment block list?")));
        const bool yes = std::string(answer) == "Yes";
        EXPECT_EQ(context.config.global.blockext,
                  yes ? std::string(kDefaultBlockList) : std::string(".EML,"));
        EXPECT_EQ(dialog.result(), yes ? QDialog::Accepted : QDialog::Rejected);
    }
}

TEST_F(ViewerWindowTest, LinksFromTheSelectionOpenWithTheDesktop) {
    auto window = Open(MessageWithAttachment("notes.txt", "x"));
    QPlainTextEdit* edit = window->text_edit();
    const QString text = edit->toPlainText();
    const int at = text.indexOf(QStringLiteral("See "));
    ASSERT_GE(at, 0);
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(at);
    cursor.setPosition(at + 40, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
    std::unique_ptr<QMenu> menu = window->BuildContextMenu();
    std::vector<QAction*> links;
    for (QAction* item : menu->actions()) {
        if (item->objectName() == QLatin1String("link")) {
            links.push_back(item);
        }
    }
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0]->text(), QStringLiteral("http://www.example.com/page"));
    links[0]->trigger();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("http://www.example.com/page")));

    cursor.clearSelection();
    edit->setTextCursor(cursor);
    menu = window->BuildContextMenu();
    for (QAction* item : menu->actions()) {
        EXPECT_NE(item->objectName(), QLatin1String("link"));
    }
}

TEST_F(ViewerWindowTest, ViewFileModeReadsTheFile) {
    const fs::path file = dir / "saved.eml";
    { std::ofstream(file, std::ios::binary) << "Subject: Saved one\r\n\r\nKept body.\r\n"; }
    QString title;
    QString shown;
    DialogDriver driver;
    driver.Then([&](QWidget* dialog) {
        auto* viewer = qobject_cast<ViewerWindow*>(dialog);
        ASSERT_NE(viewer, nullptr);
        title = viewer->windowTitle();
        shown = viewer->text_edit()->toPlainText();
        viewer->reject();
    });
    RunViewerOnFile(context, file.string());
    EXPECT_EQ(title, QString::fromStdString(file.string()));
    EXPECT_TRUE(shown.contains(QStringLiteral("Subject:\tSaved one\n")));
    EXPECT_TRUE(shown.contains(QStringLiteral("Kept body.")));
}

TEST_F(ViewerWindowTest, ViewFileModeOnAMissingFile) {
    for (const std::string& missing : {(dir / "no-such.eml").string(), dir.path().string()}) {
        SCOPED_TRACE(missing);
        SeenBox box;
        QString shown = QStringLiteral("unset");
        DialogDriver driver;
        driver.Then(RecordBoxAndClick(&box, "OK"));
        driver.Then([&](QWidget* dialog) {
            auto* viewer = qobject_cast<ViewerWindow*>(dialog);
            ASSERT_NE(viewer, nullptr);
            shown = viewer->text_edit()->toPlainText();
            viewer->reject();
        });
        RunViewerOnFile(context, missing);
        EXPECT_EQ(box.text, QStringLiteral("Unable to open file for reading."));
        EXPECT_EQ(box.title, QString::fromStdString(missing));
        EXPECT_EQ(box.icon, QMessageBox::Critical);
        EXPECT_TRUE(shown.isEmpty()) << shown.toStdString();
        EXPECT_EQ(driver.pending(), 0u);
    }
}

constexpr const char* kShortMessage =
    "From: ann@example.org\r\nSubject: Notes\r\n\r\nfirst line\r\nsecond line\r\n";

// Selects the characters from `from` up to `to` of the shown text.
void SelectShown(ViewerWindow& window, int from, int to) {
    QTextCursor cursor = window.text_edit()->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    window.text_edit()->setTextCursor(cursor);
}

TEST_F(ViewerWindowTest, SaveAsWritesTheSelectionOrTheWholeView) {
    auto window = Open(kShortMessage);
    const std::string path = (dir / "saved.txt").string();
    save_to = QString::fromStdString(path);
    struct Case {
        const char* name;
        bool raw;
        bool select;
        const char* answer;  // to the selection question, when asked
        std::string expected;
    };
    const std::string formatted = window->display_text();
    const Case cases[] = {
        {"formatted, nothing selected", false, false, nullptr, formatted},
        {"raw, nothing selected", true, false, nullptr, kShortMessage},
        // Lines of the selection keep the program's CR LF.
        {"selection taken", false, true, "Yes", "first line\r\nsecond"},
        {"selection refused", false, true, "No", formatted},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        if (window->raw_view() != test.raw) {
            window->action("rawView")->trigger();
        }
        if (test.select) {
            const int at = window->text_edit()->toPlainText().indexOf("first line");
            SelectShown(*window, at, at + 17);
        }
        SeenBox question;
        DialogDriver driver;
        if (test.answer != nullptr) {
            driver.Then(RecordBoxAndClick(&question, test.answer));
        }
        window->action("saveAs")->trigger();
        EXPECT_EQ(driver.pending(), 0u);
        if (test.answer != nullptr) {
            EXPECT_EQ(question.title, "Selection");
            EXPECT_EQ(question.text, "Restrict action to current selection?");
            EXPECT_EQ(question.icon, QMessageBox::Question);
        }
        EXPECT_EQ(ReadFileBytes(path).value_or("(none)"), test.expected);
        SelectShown(*window, 0, 0);
    }
}

TEST_F(ViewerWindowTest, AppendToAddsTheSeparatorAndArchiveTheWholeMessage) {
    auto window = Open(kShortMessage);
    const std::string notes = (dir / "notes.txt").string();
    WriteWholeFile(notes, "before");
    window->SetOpenPicker([&](QWidget*, const FileOpenRequest& request) {
        EXPECT_EQ(request.title, "Append to file");
        return QString::fromStdString(notes);
    });
    window->action("appendTo")->trigger();
    EXPECT_EQ(ReadFileBytes(notes).value_or(""), "before\r\n\r\n" + window->display_text());

    // Archive appends the message as it came, with no separator, to a new or
    // an existing file; it never asks before choosing an existing one.
    const std::string archive = (dir / "archive.tvx").string();
    save_to = QString::fromStdString(archive);
    window->action("archive")->trigger();
    window->action("archive")->trigger();
    EXPECT_EQ(ReadFileBytes(archive).value_or(""), std::string(kShortMessage) + kShortMessage);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].title, "Select archive file");
    EXPECT_FALSE(requests[0].confirm_overwrite);
    EXPECT_EQ(window->status_line()->text(), "Message archived.");
    struct stat info {};
    ASSERT_EQ(::stat(archive.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // A file that cannot be made is reported, not archived.
    save_to = QString::fromStdString((dir / "missing" / "archive.tvx").string());
    SeenBox failure;
    DialogDriver driver;
    driver.Then(RecordBoxAndClick(&failure, "OK"));
    window->action("archive")->trigger();
    EXPECT_EQ(failure.text, "Unable to create file");
    EXPECT_EQ(failure.icon, QMessageBox::Critical);
    EXPECT_NE(window->status_line()->text(), "Message archived.");
}

TEST_F(ViewerWindowTest, PrintUsesTheViewerTitleAndClearsTheSelection) {
    auto window = Open(kShortMessage);
    QString title;
    std::string printed;
    window->SetTextPrinter([&](QWidget*, const QString& printed_title, std::string_view text) {
        title = printed_title;
        printed = std::string(text);
    });
    const int at = window->text_edit()->toPlainText().indexOf("second");
    SelectShown(*window, at, at + 6);
    DialogDriver driver;
    driver.Then(ClickButton("Yes"));
    window->action("print")->trigger();
    EXPECT_EQ(title, "Tarvox: Viewer");
    EXPECT_EQ(printed, "second");
    EXPECT_FALSE(window->text_edit()->textCursor().hasSelection());
}

TEST_F(ViewerWindowTest, FileModeHasNoNextPreviousOrDelete) {
    auto window = Open(kShortMessage);
    for (const char* name : {"previous", "next", "delete", "reply", "abort"}) {
        EXPECT_FALSE(window->button(name)->isEnabled()) << name;
    }
    // GnuPG follows the path setting.
    EXPECT_FALSE(window->button("gnupg")->isEnabled());
    context.config.global.gpgpath = "/usr/bin/gpg";
    EXPECT_TRUE(Open(kShortMessage)->button("gnupg")->isEnabled());
}

TEST_F(ViewerWindowTest, GnuPgReportsAMissingMarkerAndAProgramThatCannotRun) {
    struct Case {
        const char* name;
        std::string gpg_path;
        std::string message;
        const char* title;
        const char* text;
    };
    const Case cases[] = {
        {"no marker", "/usr/bin/gpg", kShortMessage, "PGP/GPG support",
         "No PGP/GPG or OpenPGP marker found in this message"},
        {"missing program", "/nonexistent/gpg",
         "Subject: s\r\n\r\n-----BEGIN PGP MESSAGE-----\r\nxx\r\n", "/nonexistent/gpg",
         "Can not execute/pipe GnuPG. Path may be invalid."},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        context.config.global.gpgpath = test.gpg_path;
        auto window = Open(test.message);
        const QString before = window->text_edit()->toPlainText();
        SeenBox box;
        DialogDriver driver;
        driver.Then(RecordBoxAndClick(&box, "OK"));
        window->button("gnupg")->click();
        EXPECT_EQ(box.title, test.title);
        EXPECT_EQ(box.text, test.text);
        EXPECT_EQ(box.icon, QMessageBox::Critical);
        EXPECT_EQ(window->text_edit()->toPlainText(), before);
    }
}

// Debian's GnuPG with a throw-away home and one key without passphrase: a
// clear-signed block is verified and replaced by its text, and GnuPG's report
// is shown.
TEST_F(ViewerWindowTest, GnuPgVerifiesAClearSignedBlockInPlace) {
    const std::string old_home =
        std::getenv("GNUPGHOME") != nullptr ? std::getenv("GNUPGHOME") : "";
    TempDir home;
    ::setenv("GNUPGHOME", home.path().c_str(), 1);
    WriteWholeFile(home / "gpg.conf", "batch\nno-tty\n");
    const std::optional<PipedResult> made =
        RunPiped({"/usr/bin/gpg", "--passphrase", "", "--quick-gen-key", "Ann <ann@example.org>",
                  "future-default", "default", "never"},
                 "");
    ASSERT_TRUE(made && made->exit_code == 0) << (made ? made->standard_error : "no gpg");
    const std::optional<PipedResult> signed_text =
        RunPiped({"/usr/bin/gpg", "--clearsign"}, "Meet at noon.\n");
    ASSERT_TRUE(signed_text && signed_text->exit_code == 0);

    context.config.global.gpgpath = "/usr/bin/gpg";
    auto window = Open("From: ann@example.org\r\nSubject: Signed\r\n\r\nIntro line\r\n" +
                       LineFeedsToCrLf(signed_text->standard_output) + "\r\n.\r\n");
    QString report_title, report;
    DialogDriver driver;
    driver.Then([&](QWidget* dialog) {
        report_title = dialog->windowTitle();
        if (auto* output = dialog->findChild<QPlainTextEdit*>("output")) {
            report = output->toPlainText();
        } else if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            report = box->text();
        }
        ClickButton("OK")(dialog);
    });
    window->button("gnupg")->click();
    RunPiped({"/usr/bin/gpgconf", "--kill", "all"}, "");
    if (old_home.empty()) {
        ::unsetenv("GNUPGHOME");
    } else {
        ::setenv("GNUPGHOME", old_home.c_str(), 1);
    }
    const QString shown = window->text_edit()->toPlainText();
    EXPECT_TRUE(shown.contains("Intro line\nMeet at noon.\n")) << shown.toStdString();
    EXPECT_FALSE(shown.contains("BEGIN PGP")) << shown.toStdString();
    EXPECT_EQ(report_title, "GPG stderr output");
    EXPECT_TRUE(report.contains("Good signature")) << report.toStdString();
}

}  // namespace
}  // namespace tarvox
