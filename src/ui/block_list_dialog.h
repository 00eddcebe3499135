// "Attachment block list": the file-name fragments whose attachments the
// viewer warns about, one check box each. OK stores the checked rows in the
// "blockext" setting; Restore defaults (after its question) stores the
// built-in list and closes; Cancel changes nothing.
#pragma once

#include <QDialog>

class QTreeWidget;

namespace tarvox {

struct AppContext;

class BlockListDialog : public QDialog {
    Q_OBJECT

public:
    // `context.services` must be set.
    explicit BlockListDialog(AppContext& context, QWidget* parent = nullptr);

    QTreeWidget* list() const { return m_list; }

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The Add and Restore defaults buttons.
    void AddFragment();
    void RestoreDefaults();
    void AppendRow(const QString& fragment, bool checked);

    AppContext& m_context;
    QTreeWidget* m_list = nullptr;
};

}  // namespace tarvox
