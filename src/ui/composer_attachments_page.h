// The composer's Attachments page: Add and Del, the MIME type for the next
// file, and the list of attached files with their types and sizes.
#pragma once

#include <QWidget>

#include <functional>
#include <vector>

#include "compose/composed_message.h"
#include "ui/file_open_picker.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace tarvox {

class FrontendServices;

class ComposerAttachmentsPage : public QWidget {
    Q_OBJECT

public:
    ComposerAttachmentsPage(FrontendServices& services, QWidget* parent = nullptr);

    // Replaceable desktop pieces (tests answer them).
    void SetOpenPicker(FileOpenPicker picker) { m_picker = std::move(picker); }
    void SetFileOpener(std::function<void(const QString& path)> opener) {
        m_opener = std::move(opener);
    }

    const std::vector<ComposedAttachment>& attachments() const { return m_attachments; }
    void SetAttachments(std::vector<ComposedAttachment> attachments);
    // The type the drop-down shows, the default type when it is empty.
    std::string chosen_type() const;
    // The summary of the list ("Attached: 2 file(s), 3.5 KB").
    QString summary() const;

    QPushButton* add_button() const { return m_add; }
    QPushButton* delete_button() const { return m_delete; }
    QComboBox* type_box() const { return m_type; }
    QTreeWidget* list() const { return m_list; }

signals:
    // The list changed; its summary is new.
    void changed();

private:
    void Add();
    void DeleteSelected();
    void ShowList();

    FrontendServices& m_services;
    std::vector<ComposedAttachment> m_attachments;
    FileOpenPicker m_picker = PickExistingFile;
    std::function<void(const QString& path)> m_opener;
    QPushButton* m_add = nullptr;
    QPushButton* m_delete = nullptr;
    QComboBox* m_type = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_summary = nullptr;
};

}  // namespace tarvox
