// The message viewer: one message in two tabs, "Message Text" (the formatted
// text, or in raw view the text as it came) and "Attachments" (the list of
// attached files with Save, View, Delete and the block list). Opened from the
// inbox it downloads the message itself on the session's worker (RETR, or TOP
// for a preview) and can delete it; opened on a file or a text in memory it
// shows that text.
//
// Result of exec(): 0 on a normal close, 1 for the next message, 2 for the
// previous one (the inbox opens it).
#pragma once

#include <QDialog>
#include <QFont>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "compose/composed_message.h"
#include "compose/save_text.h"
#include "message/viewer_text.h"
#include "ui/file_open_picker.h"
#include "ui/file_save_picker.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QVBoxLayout;

namespace tarvox {

struct AppContext;
class MessageList;
class SessionHost;
struct ViewerDownload;

// Where the shown message came from.
struct ViewerSource {
    enum class Kind { File, Mail };
    Kind kind = Kind::File;
    std::string file_path;  // file mode: the message file
    // Mail mode: the message's POP3 number and inbox row, the inbox row's
    // first column (the window title) and whether only the first lines were
    // downloaded (a preview).
    int pop3_number = 0;
    int inbox_row = -1;
    QString row_title;
    bool preview = false;
    // Set by the inbox: the session the message is downloaded from (the text
    // given to the window is then not used), the line count of a preview, and
    // what drops the message's row when the viewer deletes it.
    SessionHost* host = nullptr;
    std::uint32_t preview_lines = 0;
    std::function<void()> remove_row;
    // Set by the inbox: its list, whose entry of the message a reply marks
    // Replied to, and what shows the message's row again after that.
    MessageList* list = nullptr;
    std::function<void()> refresh_row;
};

// Opens a file with the desktop's program for it; false when that failed.
using UrlOpener = std::function<bool(const QUrl& url)>;
// The font dialog, started at `font`: true with the choice in `font`, false
// on Cancel. `fixed_only` offers fixed-pitch fonts only.
using FontPicker = std::function<bool(QWidget* parent, bool fixed_only, QFont& font)>;
// Prints a text under a title (the print dialog, then the printer).
using TextPrinter =
    std::function<void(QWidget* owner, const QString& title, std::string_view text)>;

class ViewerWindow : public QDialog {
    Q_OBJECT

public:
    // `context.services` must be set. The message text is ISO-8859-1 bytes.
    ViewerWindow(AppContext& context, std::string message_text, ViewerSource source,
                 QWidget* parent = nullptr);
    ~ViewerWindow() override;

    // Replaceable desktop pieces (tests answer them).
    void SetSavePicker(FileSavePicker picker) { m_save_picker = std::move(picker); }
    void SetOpenPicker(FileOpenPicker picker) { m_open_picker = std::move(picker); }
    void SetTextPrinter(TextPrinter printer) { m_printer = std::move(printer); }
    void SetUrlOpener(UrlOpener opener) { m_url_opener = std::move(opener); }
    void SetFontPicker(FontPicker picker) { m_font_picker = std::move(picker); }
    // The SanityCheck's random numbers (two draws).
    void SetSanityDraw(std::function<std::uint32_t()> draw) { m_draw = std::move(draw); }

    const ViewedMessage& message() const { return *m_message; }
    bool raw_view() const { return m_raw_view; }
    // The formatted view's text (changed by Reformat).
    const std::string& display_text() const { return m_display_text; }
    const std::string& last_saved_attachment() const { return m_last_saved; }
    const ViewerSource& source() const { return m_source; }
    // Whether the download has ended (at once without a session).
    bool loaded() const { return m_loaded; }
    // Whether Delete sent the message's deletion.
    bool deleted() const { return m_deleted; }

    QTabWidget* tabs() const { return m_tabs; }
    QPlainTextEdit* text_edit() const { return m_text; }
    QTreeWidget* attachment_list() const { return m_attachments; }
    QLabel* status_line() const { return m_status; }
    // The buttons, by object name: "previous", "next", "delete", "reply",
    // "abort", "gnupg".
    QPushButton* button(const char* name) const;
    // The menu item of a command, by its object name ("rawView", "fixedFont",
    // "reformat", "setFont", "copy", "selectAll", "messageTab",
    // "attachmentsTab", "close", "help", "archive", "saveAs", "appendTo",
    // "print", "forward", "reply", and the later "addressBooks").
    QAction* action(const char* name) const;

    // The text control's context menu: the standard items, then one item per
    // web address in the selection.
    std::unique_ptr<QMenu> BuildContextMenu();

    void done(int result) override;
    // Escape, Close and the window's close box; refused while busy.
    void reject() override;

signals:
    // The viewer's own network job (the download, a deletion) has ended.
    void idle();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Commands of the menus.
    void ToggleRawView();
    void ToggleFixedFont();
    void ReformatToWidth75();
    void SetFont();
    void SaveAs();
    void AppendTo();
    void Archive();
    void Print();
    // Reply options, then a composer on the reply; the message is marked
    // Replied to unless the reply is not sent.
    void Reply();
    void Forward();
    // Runs a composer on `message` in front of the viewer; true when sent.
    bool Compose(ComposedMessage message);

    // The buttons.
    void Next();
    void Previous();
    void DeleteMessage();
    void Abort();
    // Decrypts or verifies the PGP block of the shown text with GnuPG and
    // puts its output in place of the block.
    void RunGnuPg();

    // Commands of the Attachments tab, on the selected rows.
    void SaveSelectedAttachments();
    void ViewSelectedAttachments();
    void DeleteLastSaved();
    void EditBlockList();

    bool Busy() const;
    void BuildMenus(QVBoxLayout* layout);
    void BuildButtons(QVBoxLayout* layout);
    // Makes `text` the shown message: formatting, attachment list.
    void LoadText(std::string text);
    void StartDownload();
    void DownloadEnded(const ViewerDownload& download);
    // The text Save As, Append to and Print work on: the selection when the
    // user restricts the action to it, else the raw or formatted text.
    // For a file (ChosenUse::File) the raw view gives the message's own bytes.
    enum class ChosenUse { Print, File };
    struct Chosen {
        std::string text;
        TextForm form = TextForm::Text;
    };
    Chosen ChosenText(ChosenUse use);
    QWidget* BuildAttachmentsPage();
    void ShowText();
    void ApplyFont();
    void RestorePlacement();
    void SavePlacement();
    // Warns when the text control holds more than 1000 lines; the operation
    // goes on either way.
    void WarnIfLongText();

    void SaveOrView(bool view);

    AppContext& m_context;
    ViewerSource m_source;
    std::unique_ptr<ViewedMessage> m_message;
    std::string m_display_text;
    bool m_raw_view = false;
    QFont m_fixed_font;
    QFont m_regular_font;
    std::string m_last_saved;
    bool m_loaded = false;
    bool m_deleted = false;

    QTabWidget* m_tabs = nullptr;
    QLabel* m_status = nullptr;
    std::vector<QPushButton*> m_buttons;
    QPlainTextEdit* m_text = nullptr;
    QTreeWidget* m_attachments = nullptr;
    std::vector<QAction*> m_actions;

    FileSavePicker m_save_picker;
    FileOpenPicker m_open_picker;
    TextPrinter m_printer;
    UrlOpener m_url_opener;
    FontPicker m_font_picker;
    std::function<std::uint32_t()> m_draw;
};

// File mode (/VIEW): reads the file and runs the viewer on it modally; after
// a failed read the viewer opens empty, titled with the path.
void RunViewerOnFile(AppContext& context, const std::string& path);

}  // namespace tarvox
