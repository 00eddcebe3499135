// The viewer window offscreen: what it shows, and that each control reaches
// its engine call (the rules themselves are the engine's tests).
#include "ui/viewer_window.h"

#include <sys/stat.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "codec/base64.h"
#include "compose/quoting.h"
#include "config/file_io.h"
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

const std::string kProgram = std::string("MZ\x90", 3) + '\0' + "program";
// A text part with a link, then notes.txt and tool.exe.
const std::string kMessage =
    "From: ann@example.org\r\nSubject: Notes\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n"
    "\r\n--b\r\nContent-Type: text/plain\r\n\r\nfirst line http://www.example.com/page\r\n"
    "second line\r\n--b\r\nContent-Type: text/plain; name=\"notes.txt\"\r\n"
    "Content-Transfer-Encoding: base64\r\n\r\n" + EncodeBase64("just text") + "\r\n"
    "--b\r\nContent-Type: application/octet-stream; name=\"tool.exe\"\r\n"
    "Content-Transfer-Encoding: base64\r\n\r\n" + EncodeBase64(kProgram) + "\r\n--b--\r\n";

// The text control's lines end in LF.
QString Lf(const std::string& text) {
    return ToQString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

class ViewerWindowTest : public ::testing::Test {
protected:
    ViewerWindowTest() { context.services = &services; }

    std::unique_ptr<ViewerWindow> Open(std::string text = kMessage, bool preview = false) {
        ViewerSource source;
        source.file_path = "/tmp/message.eml";
        source.preview = preview;
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
    static void Press(QWidget& window, const char* name) {
        auto* button = window.findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }
    static void Select(QPlainTextEdit* edit, int from, int to) {
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        edit->setTextCursor(cursor);
    }

    TempDir dir;
    QtServices services;
    AppContext context;
    QString save_to;
    std::vector<FileSaveRequest> requests;
    std::vector<QUrl> opened;
};

TEST_F(ViewerWindowTest, ShowsTheMessageAsTheSettingsSay) {
    context.config.global.viewer_ro = 0;
    auto window = Open();
    EXPECT_EQ(window->text_edit()->toPlainText(), Lf(window->message().display_text()));
    EXPECT_FALSE(window->text_edit()->isReadOnly());
    EXPECT_EQ(window->windowTitle(), "/tmp/message.eml");
    EXPECT_EQ(window->tabs()->tabText(1), "Attachments");
    QTreeWidget* list = window->attachment_list();
    EXPECT_EQ(list->headerItem()->text(1), "Encoding");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(1)->text(0) + list->topLevelItem(1)->text(1), "tool.exeBase64");
    for (const char* name : {"previous", "next", "delete", "reply", "abort", "gnupg"}) {
        EXPECT_FALSE(window->button(name)->isEnabled()) << name;
    }
    context.config.global.gpgpath = "/usr/bin/gpg";
    context.config.global.allheaders = 1;
    window = Open();
    EXPECT_TRUE(window->button("gnupg")->isEnabled());
    EXPECT_TRUE(window->text_edit()->toPlainText().startsWith("From: ann@example.org\n"));
    for (const int filter : {1, 0}) {
        context.config.global.htmlfilt = filter;
        window = Open("Content-Type: text/html\r\n\r\n<p>a &amp; b</p>\r\n");
        EXPECT_EQ(window->text_edit()->toPlainText().contains("<p>"), filter == 0) << filter;
    }
}

TEST_F(ViewerWindowTest, RawViewReformatFontsAndPlacement) {
    context.config.global.mvfixedf = 1;
    context.config.global.mvsize = {1, -1, -1, -1, -1, 10, 20, 510, 420};
    auto window = Open();
    EXPECT_EQ(window->size(), QSize(500, 400));
    window->action("rawView")->trigger();
    EXPECT_EQ(window->text_edit()->toPlainText(), Lf(kMessage));
    SeenBox refused, warning;
    DialogDriver driver;
    driver.Then(RecordBoxAndClick(&refused, "OK"));
    window->action("reformat")->trigger();
    EXPECT_EQ(refused.text, "Can only reformat and wrap the formatted view (turn off raw view)");
    window->action("rawView")->trigger();
    const std::string shown = FromQString(window->text_edit()->toPlainText());
    window->action("reformat")->trigger();
    EXPECT_EQ(window->display_text(), WrapText(shown, 75, QuoteMarker::None));
    driver.Then(RecordBoxAndClick(&warning, "OK"));
    Open("Subject: long\r\n\r\n" + QString("line\r\n").repeated(1001).toStdString())
        ->action("reformat")
        ->trigger();
    EXPECT_TRUE(warning.text.startsWith("There is a substantial amount of text shown"));

    EXPECT_EQ(window->text_edit()->font(), FontFromRecord("", FontRole::Fixed));
    window->action("fixedFont")->trigger();
    EXPECT_EQ(context.config.global.mvfixedf, 0);
    window->SetFontPicker([&](QWidget*, bool fixed_only, QFont& font) {
        font = QFont(fixed_only ? "Fixed Face" : "Chosen Face");
        return true;
    });
    window->action("setFont")->trigger();
    EXPECT_EQ(context.config.global.regfont, RecordFromFont(QFont("Chosen Face")));
    EXPECT_EQ(window->text_edit()->font().family(), "Chosen Face");
    window->resize(640, 480);
    window->reject();
    EXPECT_EQ(context.config.global.mvsize[7] - context.config.global.mvsize[5], 640);
}

// Save and View hand the chosen rows, the preview flag and the block list to
// the engine, with the save dialog, the desktop opener and the SanityCheck's
// draws; Delete and Block list reach theirs.
TEST_F(ViewerWindowTest, AttachmentButtons) {
    context.config.global.blockext = ".EXE,";
    auto window = Open(kMessage, true);
    window->SetSanityDraw([] { return 5u; });
    QTreeWidget* list = window->attachment_list();
    const std::string notes = (dir / "notes.txt").string();
    save_to = QString::fromStdString(notes);
    list->topLevelItem(0)->setSelected(true);
    SeenBox warning, denied;
    DialogDriver driver;
    driver.Then(RecordBoxAndClick(&warning, "OK"));
    Press(*window, "save");
    EXPECT_TRUE(warning.text.startsWith("Because only a part of the entire message is shown"));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].title, "Save decoded file");
    EXPECT_EQ(requests[0].proposed, "notes.txt");
    EXPECT_EQ(requests[0].default_suffix, "txt");
    EXPECT_EQ(ReadWholeFile(notes), "just text");
    EXPECT_EQ(window->last_saved_attachment(), notes);

    list->topLevelItem(0)->setSelected(false);
    list->topLevelItem(1)->setSelected(true);
    save_to = QString::fromStdString((dir / "tool.exe").string());
    for (const char* blockext : {".EXE,", ""}) {
        context.config.global.blockext = blockext;
        driver.Then(ClickButton("OK"));  // the preview warning
        if (*blockext != '\0') {
            driver.Then(ClickButton("Yes"));
            driver.Then(RecordBoxAndClick(&denied, "OK"));
        } else {
            driver.Then(TypeAndClick("55", "submit"));
        }
        Press(*window, "view");
    }
    EXPECT_TRUE(denied.text.endsWith("View/Execute denied - potentially dangerous file."));
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl::fromLocalFile(save_to)});

    driver.Then(ClickButton("Yes"));
    Press(*window, "deleteSaved");
    EXPECT_FALSE(fs::exists(save_to.toStdString()));
    EXPECT_TRUE(window->last_saved_attachment().empty());
    QString shown;
    driver.Then([&](QWidget* dialog) {
        shown = dialog->metaObject()->className();
        ClickButton("cancel")(dialog);
    });
    Press(*window, "blockList");
    EXPECT_EQ(shown, "tarvox::BlockListDialog");
    EXPECT_EQ(driver.pending(), 0u);
}

TEST_F(ViewerWindowTest, LinksOfTheSelectionOpenWithTheDesktop) {
    auto window = Open();
    QPlainTextEdit* edit = window->text_edit();
    const int at = edit->toPlainText().indexOf("first line");
    Select(edit, at, at + 40);
    std::unique_ptr<QMenu> menu = window->BuildContextMenu();
    const QList<QAction*> links = menu->findChildren<QAction*>("link");
    ASSERT_EQ(links.size(), 1);
    EXPECT_EQ(links[0]->text(), "http://www.example.com/page");
    links[0]->trigger();
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl("http://www.example.com/page")});
}

TEST_F(ViewerWindowTest, FileModeShowsTheFileOrReportsIt) {
    const std::string file = (dir / "saved.eml").string();
    WriteWholeFile(file, "Subject: Saved one\r\n\r\nKept body.\r\n");
    for (const std::string& path : {file, (dir / "none.eml").string(), dir.path().string()}) {
        SeenBox box;
        QString title, shown;
        DialogDriver driver;
        if (path != file) {
            driver.Then(RecordBoxAndClick(&box, "OK"));
        }
        driver.Then([&](QWidget* dialog) {
            title = dialog->windowTitle();
            shown = dialog->findChild<QPlainTextEdit*>("messageText")->toPlainText();
            qobject_cast<QDialog*>(dialog)->reject();
        });
        RunViewerOnFile(context, path);
        EXPECT_EQ(title, QString::fromStdString(path));
        EXPECT_EQ(shown.contains("Kept body."), path == file) << path;
        EXPECT_EQ(box.text, path == file ? "" : "Unable to open file for reading.");
        EXPECT_EQ(box.title, path == file ? "" : QString::fromStdString(path));
        EXPECT_EQ(driver.pending(), 0u);
    }
}

TEST_F(ViewerWindowTest, SaveAsAppendToArchiveAndPrint) {
    const std::string text = "Subject: Notes\r\n\r\nfirst line\r\nsecond line\r\n";
    auto window = Open(text);
    QPlainTextEdit* edit = window->text_edit();
    const std::string saved = (dir / "saved.txt").string();
    save_to = QString::fromStdString(saved);
    window->action("saveAs")->trigger();
    EXPECT_EQ(ReadWholeFile(saved), window->display_text());
    window->action("rawView")->trigger();
    window->action("saveAs")->trigger();
    EXPECT_EQ(ReadWholeFile(saved), text);
    window->action("rawView")->trigger();
    // With a selection the user is asked; its lines are saved with CR LF.
    const int at = edit->toPlainText().indexOf("first line");
    DialogDriver driver;
    for (const char* answer : {"No", "Yes"}) {
        Select(edit, at, at + 17);
        SeenBox question;
        driver.Then(RecordBoxAndClick(&question, answer));
        window->action("saveAs")->trigger();
        EXPECT_EQ(question.text, "Restrict action to current selection?");
        EXPECT_EQ(ReadWholeFile(saved),
                  *answer == 'Y' ? "first line\r\nsecond" : window->display_text());
    }
    Select(edit, 0, 0);
    const std::string notes = (dir / "notes.txt").string();
    WriteWholeFile(notes, "before");
    window->SetOpenPicker([&](QWidget*, const FileOpenRequest& request) {
        EXPECT_EQ(request.title, "Append to file");
        return QString::fromStdString(notes);
    });
    window->action("appendTo")->trigger();
    EXPECT_EQ(ReadWholeFile(notes), "before\r\n\r\n" + window->display_text());

    // Archive appends the message as it came to a new or an existing file.
    const std::string archive = (dir / "archive.tvx").string();
    save_to = QString::fromStdString(archive);
    window->action("archive")->trigger();
    window->action("archive")->trigger();
    EXPECT_EQ(ReadWholeFile(archive), text + text);
    EXPECT_EQ(requests.back().title, "Select archive file");
    EXPECT_FALSE(requests.back().confirm_overwrite);
    EXPECT_EQ(window->status_line()->text(), "Message archived.");
    struct stat info {};
    ASSERT_EQ(::stat(archive.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);  // it may hold mail
    save_to = QString::fromStdString((dir / "missing" / "archive.tvx").string());
    SeenBox failure;
    driver.Then(RecordBoxAndClick(&failure, "OK"));
    window->action("archive")->trigger();
    EXPECT_EQ(failure.text, "Unable to create file");

    QString title;
    std::string printed;
    window->SetTextPrinter([&](QWidget*, const QString& printed_title, std::string_view shown) {
        title = printed_title;
        printed = std::string(shown);
    });
    const int second = edit->toPlainText().indexOf("second");
    Select(edit, second, second + 6);
    driver.Then(ClickButton("Yes"));
    window->action("print")->trigger();
    EXPECT_EQ(title, "Tarvox: Viewer");
    EXPECT_EQ(printed, "second");
    EXPECT_FALSE(edit->textCursor().hasSelection());
    EXPECT_EQ(driver.pending(), 0u);
}

TEST_F(ViewerWindowTest, GnuPgShowsTheProgramsOutputInPlace) {
    const fs::path program = dir / "fake-gpg";
    WriteWholeFile(program, "#!/bin/sh\ncat >/dev/null; echo Meet at noon.\n");
    ::chmod(program.c_str(), 0755);
    context.config.global.gpgpath = program.string();
    auto window = Open("Subject: s\r\n\r\nIntro\r\n-----BEGIN PGP SIGNED MESSAGE-----\r\nxx\r\n");
    window->button("gnupg")->click();
    EXPECT_TRUE(window->text_edit()->toPlainText().endsWith("\nIntro\nMeet at noon.\n"));
}

}  // namespace
}  // namespace tarvox
