// "Inbox Filters": which messages of the open inbox the list shows. It opens
// with "Show only matching mail" and the Subject column checked every time
// (nothing is remembered); after Accepted the caller reads filter() and
// applies it to its list (ApplyInboxFilter), then shows FilterStatusText.
#pragma once

#include <QDialog>

#include "protocols/inbox_filter.h"

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tarvox {

struct AppContext;

class InboxFiltersDialog : public QDialog {
    Q_OBJECT

public:
    // `context` must outlive the dialog; its show_help serves the Help button.
    explicit InboxFiltersDialog(AppContext& context, QWidget* parent = nullptr);

    // The choices as the controls stand.
    InboxFilter filter() const;

private:
    // Sets every control to the filter's choices.
    void ShowChoices(const InboxFilter& filter);
    void ApplyPresetButton(FilterPreset preset);
    // Enables the flag boxes and presets as FlagBoxesUsable finds the choices.
    void UpdateEnabled();

    QRadioButton* m_show = nullptr;
    QRadioButton* m_hide = nullptr;
    QCheckBox* m_read = nullptr;
    QCheckBox* m_replied = nullptr;
    QCheckBox* m_copy_to_self = nullptr;
    QCheckBox* m_junk = nullptr;
    QCheckBox* m_attachments = nullptr;
    QList<QPushButton*> m_presets;
    QLineEdit* m_text = nullptr;
    QCheckBox* m_in_subject = nullptr;
    QCheckBox* m_in_from = nullptr;
    QCheckBox* m_in_date = nullptr;
    QCheckBox* m_in_to = nullptr;
};

}  // namespace tarvox
