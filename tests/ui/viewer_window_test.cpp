// The viewer window offscreen: what it shows and where each control leads.
#include "ui/viewer_window.h"

#include <sys/stat.h>

#include <QAction>
#include <QFontDatabase>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "codec/base64.h"
#include "compose/quoting.h"
#include "config/file_io.h"
#include "options_window_fixture.h"
#include "ui/address_book_manager.h"
#include "ui/dialog_driver.h"
#include "ui/qt_text.h"
#include "ui/viewer_font.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

// A text part with a link, then notes.txt and tool.exe.
const std::string kMessage =
    "From: ann@example.org\r\nSubject: Notes\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n"
    "\r\n--b\r\nContent-Type: text/plain\r\n\r\nfirst line http://www.example.com/page\r\n"
    "second line\r\n--b\r\nContent-Type: text/plain; name=\"notes.txt\"\r\n"
    "Content-Transfer-Encoding: base64\r\n\r\n" + EncodeBase64("just text") + "\r\n"
    "--b\r\nContent-Type: application/octet-stream; name=\"tool.exe\"\r\n"
    "Content-Transfer-Encoding: base64\r\n\r\n" + EncodeBase64("MZ program") + "\r\n--b--\r\n";

// The text control's lines end in LF.
QString Lf(const std::string& text) {
    return ToQString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

class ViewerWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<ViewerWindow> Open(std::string text = kMessage, bool preview = false) {
        ViewerSource source;
        source.file_path = "/tmp/message.eml";
        source.preview = preview;
        auto window = std::make_unique<ViewerWindow>(c.context, std::move(text), source);
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
    void SaveTo(const char* name) { save_to = QString::fromStdString((c.dir / name).string()); }
    static void Select(QPlainTextEdit* edit, const QString& from, int length) {
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(edit->toPlainText().indexOf(from));
        cursor.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, length);
        edit->setTextCursor(cursor);
    }

    OptionsWindowContext c;
    GlobalSettings& global = c.context.config.global;
    QString save_to;
    std::vector<FileSaveRequest> requests;
    std::vector<QUrl> opened;
    DialogDriver driver;
};

TEST_F(ViewerWindowTest, ShowsTheMessageAsTheSettingsSay) {
    global.viewer_ro = 0;
    auto window = Open();
    EXPECT_EQ(window->text_edit()->toPlainText(), Lf(window->display_text()));
    EXPECT_FALSE(window->text_edit()->isReadOnly());
    EXPECT_EQ(window->attachment_list()->topLevelItemCount(), 2);
    for (const char* name : {"previous", "next", "delete", "abort", "gnupg"}) {
        EXPECT_FALSE(window->button(name)->isEnabled()) << name;
    }
    global.gpgpath = "/usr/bin/gpg";
    global.allheaders = 1;
    window = Open();
    EXPECT_TRUE(window->button("gnupg")->isEnabled());
    EXPECT_TRUE(window->text_edit()->toPlainText().startsWith("From: ann@example.org\n"));
    global.htmlfilt = 0;  // the filter is on unless the setting says otherwise
    window = Open("Content-Type: text/html\r\n\r\n<p>a &amp; b</p>\r\n");
    EXPECT_TRUE(window->text_edit()->toPlainText().contains("<p>"));
}

TEST_F(ViewerWindowTest, RawViewReformatFontsAndPlacement) {
    global.mvfixedf = 1;
    global.mvsize = {1, -1, -1, -1, -1, 10, 20, 510, 420};
    auto window = Open();
    EXPECT_EQ(window->size(), QSize(500, 400));
    window->action("rawView")->trigger();
    EXPECT_EQ(window->text_edit()->toPlainText(), Lf(kMessage));
    driver.Then(ClickButton("OK"));  // only the formatted view reformats
    window->action("reformat")->trigger();
    EXPECT_EQ(driver.pending(), 0u);
    window->action("rawView")->trigger();
    const std::string shown = FromQString(window->text_edit()->toPlainText());
    window->action("reformat")->trigger();
    EXPECT_EQ(window->display_text(), WrapText(shown, 75, QuoteMarker::None));
    driver.Then(ClickButton("OK"));  // a long text is warned of
    Open("S: l\r\n\r\n" + QString("line\r\n").repeated(1001).toStdString())
        ->action("reformat")
        ->trigger();
    EXPECT_EQ(driver.pending(), 0u);

    EXPECT_EQ(window->text_edit()->font(), QFontDatabase::systemFont(QFontDatabase::FixedFont));
    window->action("fixedFont")->trigger();
    EXPECT_EQ(global.mvfixedf, 0);
    EXPECT_EQ(window->text_edit()->font(), QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    window->SetFontPicker([&](QWidget*, bool, QFont& font) {
        font = QFont("Chosen Face");
        return true;
    });
    window->action("setFont")->trigger();
    EXPECT_EQ(global.regfont, RecordFromFont(QFont("Chosen Face")));
    EXPECT_EQ(window->text_edit()->font().family(), "Chosen Face");
    window->resize(640, 480);
    window->reject();
    EXPECT_EQ(global.mvsize[7] - global.mvsize[5], 640);
}

TEST_F(ViewerWindowTest, AttachmentButtons) {
    auto window = Open(kMessage, true);
    window->SetSanityDraw([] { return 5u; });
    QTreeWidget* list = window->attachment_list();
    SaveTo("notes.txt");
    list->topLevelItem(0)->setSelected(true);
    driver.Then(ClickButton("OK"));  // only a part of the message is shown
    window->findChild<QPushButton*>("save")->click();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].proposed, "notes.txt");
    EXPECT_EQ(window->last_saved_attachment(), save_to.toStdString());

    list->topLevelItem(0)->setSelected(false);
    list->topLevelItem(1)->setSelected(true);
    SaveTo("tool.exe");
    global.blockext = ".HTM,";  // the setting, not the default list, lets tool.exe through
    driver.Then(ClickButton("OK"));  // the preview warning
    driver.Then(TypeAndClick("55", "submit"));  // the SanityCheck
    window->findChild<QPushButton*>("view")->click();
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl::fromLocalFile(save_to)});

    driver.Then(ClickButton("Yes"));
    window->findChild<QPushButton*>("deleteSaved")->click();
    EXPECT_FALSE(fs::exists(save_to.toStdString()));
    driver.Then(ClickButton("cancel"));  // the block list dialog
    window->findChild<QPushButton*>("blockList")->click();
    EXPECT_EQ(driver.pending(), 0u);
}

TEST_F(ViewerWindowTest, LinksOfTheSelectionOpenWithTheDesktop) {
    auto window = Open();
    Select(window->text_edit(), "first line", 40);
    const std::unique_ptr<QMenu> menu = window->BuildContextMenu();
    const QList<QAction*> links = menu->findChildren<QAction*>("link");
    ASSERT_EQ(links.size(), 1);
    links[0]->trigger();
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl("http://www.example.com/page")});
}

TEST_F(ViewerWindowTest, FileModeShowsTheFile) {
    const std::string file = (c.dir / "saved.eml").string();
    WriteWholeFile(file, "Subject: Saved one\r\n\r\nKept body.\r\n");
    QString shown;
    driver.Then([&](QWidget* dialog) {
        shown = dialog->findChild<QPlainTextEdit*>("messageText")->toPlainText();
        qobject_cast<QDialog*>(dialog)->reject();
    });
    RunViewerOnFile(c.context, file);
    EXPECT_TRUE(shown.contains("Kept body."));
}

// "Addr&ess books..." opens the manager offering the sender for the book being edited.
TEST_F(ViewerWindowTest, AddressBooksOfferTheSender) {
    c.context.address_books.books = {{"Work", {}}};
    auto window = Open();
    window->action("addressBooks")->trigger();
    auto* manager = window->findChild<AddressBookManager*>();
    ASSERT_NE(manager, nullptr);
    manager->findChild<QPushButton*>("edit")->click();
    ASSERT_NE(manager->table(), nullptr);
    EXPECT_EQ(manager->table()->GetCell(0, 1), "ann@example.org");
}

TEST_F(ViewerWindowTest, SaveAsAppendToArchiveAndPrint) {
    const std::string text = "Subject: Notes\r\n\r\nfirst line\r\nsecond line\r\n";
    auto window = Open(text);
    QPlainTextEdit* edit = window->text_edit();
    SaveTo("saved.txt");
    const std::string saved = save_to.toStdString();
    window->action("saveAs")->trigger();
    EXPECT_EQ(ReadWholeFile(saved), window->display_text());
    window->action("rawView")->trigger();
    window->action("saveAs")->trigger();
    EXPECT_EQ(ReadWholeFile(saved), text);
    window->action("rawView")->trigger();
    Select(edit, "first line", 17);
    driver.Then(ClickButton("Yes"));  // restrict to the selection, lines in CR LF
    window->action("saveAs")->trigger();
    EXPECT_EQ(ReadWholeFile(saved), "first line\r\nsecond");
    Select(edit, "", 0);
    window->SetOpenPicker([&](QWidget*, const FileOpenRequest&) { return save_to; });
    window->action("appendTo")->trigger();
    EXPECT_EQ(ReadWholeFile(saved), "first line\r\nsecond\r\n\r\n" + window->display_text());

    SaveTo("archive.tvx");
    window->action("archive")->trigger();
    window->action("archive")->trigger();
    EXPECT_EQ(ReadWholeFile(save_to.toStdString()), text + text);
    EXPECT_FALSE(requests.back().confirm_overwrite);

    std::string printed;
    window->SetTextPrinter(
        [&](QWidget*, const QString&, std::string_view shown) { printed = std::string(shown); });
    Select(edit, "second", 6);
    driver.Then(ClickButton("Yes"));
    window->action("print")->trigger();
    EXPECT_EQ(printed, "second");
    EXPECT_FALSE(edit->textCursor().hasSelection());
}

TEST_F(ViewerWindowTest, GnuPgShowsTheProgramsOutputInPlace) {
    const fs::path program = c.dir / "fake-gpg";
    WriteWholeFile(program, "#!/bin/sh\ncat >/dev/null; echo Meet at noon.\n");
    ::chmod(program.c_str(), 0755);
    global.gpgpath = program.string();
    auto window = Open("Subject: s\r\n\r\nIntro\r\n-----BEGIN PGP SIGNED MESSAGE-----\r\nxx\r\n");
    window->button("gnupg")->click();
    EXPECT_TRUE(window->text_edit()->toPlainText().endsWith("\nIntro\nMeet at noon.\n"));
}

}  // namespace
}  // namespace tarvox
