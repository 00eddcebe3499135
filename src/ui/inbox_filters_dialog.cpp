#include "ui/inbox_filters_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/app_context.h"
#include "ui/help_button.h"
#include "ui/page_fields.h"
#include "ui/qt_text.h"

namespace tarvox {

namespace {

enum ActionId { kShowId = 0, kHideId = 1 };

}  // namespace

InboxFiltersDialog::InboxFiltersDialog(AppContext& context, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Inbox Filters"));
    auto* layout = new QVBoxLayout(this);

    auto* actions = new QButtonGroup(this);
    auto* action_row = new QHBoxLayout;
    m_show = AddRadio(actions, kShowId, tr("&Show only matching mail"), "showMatching", this);
    m_hide = AddRadio(actions, kHideId, tr("&Hide only matching mail"), "hideMatching", this);
    action_row->addWidget(m_show);
    action_row->addWidget(m_hide);
    action_row->addStretch(1);
    layout->addLayout(action_row);

    auto* flags = new QGroupBox(this);
    flags->setObjectName("flags");
    auto* flag_grid = new QGridLayout(flags);
    m_read = MakeCheck(tr("&Read"), "flagRead", flags);
    m_replied = MakeCheck(tr("Re&plied to"), "flagReplied", flags);
    m_copy_to_self = MakeCheck(tr("&Copy to self"), "flagCopyToSelf", flags);
    m_junk = MakeCheck(tr("&Junk / spam"), "flagJunk", flags);
    m_attachments = MakeCheck(tr("&Attachments"), "flagAttachments", flags);
    QCheckBox* const flag_boxes[] = {m_read, m_replied, m_copy_to_self, m_junk, m_attachments};
    for (int i = 0; i < 5; ++i) {
        flag_grid->addWidget(flag_boxes[i], i / 3, i % 3);
    }
    layout->addWidget(flags);

    auto* preset_row = new QHBoxLayout;
    const struct {
        const char* text;
        const char* name;
        FilterPreset preset;
    } presets[] = {
        {"All &mail", "presetAllMail", FilterPreset::AllMail},
        {"&New mail, unseen", "presetNewMail", FilterPreset::NewMail},
        {"N&eeding reply", "presetNeedingReply", FilterPreset::NeedingReply},
    };
    for (const auto& p : presets) {
        QPushButton* button = MakeActionButton(tr(p.text), p.name, this);
        connect(button, &QPushButton::clicked, this,
                [this, preset = p.preset] { ApplyPresetButton(preset); });
        preset_row->addWidget(button);
        m_presets << button;
    }
    layout->addLayout(preset_row);

    auto* search = new QGroupBox(tr("Case insensitive text search"), this);
    search->setObjectName("search");
    auto* search_layout = new QVBoxLayout(search);
    m_text = MakeTextBox("searchText", search);
    connect(m_text, &QLineEdit::textChanged, this, &InboxFiltersDialog::UpdateEnabled);
    search_layout->addWidget(m_text);
    auto* column_row = new QHBoxLayout;
    m_in_subject = MakeCheck(tr("Subject"), "inSubject", search);
    m_in_from = MakeCheck(tr("From"), "inFrom", search);
    m_in_date = MakeCheck(tr("Date/Time"), "inDate", search);
    m_in_to = MakeCheck(tr("To"), "inTo", search);
    for (QCheckBox* box : {m_in_subject, m_in_from, m_in_date, m_in_to}) {
        column_row->addWidget(box);
    }
    column_row->addStretch(1);
    search_layout->addLayout(column_row);
    layout->addWidget(search);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
    // No accelerator: Alt+H belongs to "Hide only matching mail".
    AddHelpButton(buttons, tr("Help"), context, QStringLiteral("#ibfilt"));
    connect(buttons, &QDialogButtonBox::accepted, this, &InboxFiltersDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &InboxFiltersDialog::reject);
    layout->addWidget(buttons);

    ShowChoices(InboxFilter{});
    UpdateEnabled();
}

InboxFilter InboxFiltersDialog::filter() const {
    InboxFilter filter;
    filter.action = m_hide->isChecked() ? FilterAction::HideMatching : FilterAction::ShowMatching;
    filter.read = m_read->isChecked();
    filter.replied = m_replied->isChecked();
    filter.copy_to_self = m_copy_to_self->isChecked();
    filter.junk = m_junk->isChecked();
    filter.attachments = m_attachments->isChecked();
    filter.text = FromQString(m_text->text());
    filter.in_subject = m_in_subject->isChecked();
    filter.in_from = m_in_from->isChecked();
    filter.in_date = m_in_date->isChecked();
    filter.in_to = m_in_to->isChecked();
    return filter;
}

void InboxFiltersDialog::ShowChoices(const InboxFilter& filter) {
    m_show->setChecked(filter.action == FilterAction::ShowMatching);
    m_hide->setChecked(filter.action == FilterAction::HideMatching);
    m_read->setChecked(filter.read);
    m_replied->setChecked(filter.replied);
    m_copy_to_self->setChecked(filter.copy_to_self);
    m_junk->setChecked(filter.junk);
    m_attachments->setChecked(filter.attachments);
    m_text->setText(ToQString(filter.text));
    m_in_subject->setChecked(filter.in_subject);
    m_in_from->setChecked(filter.in_from);
    m_in_date->setChecked(filter.in_date);
    m_in_to->setChecked(filter.in_to);
}

void InboxFiltersDialog::ApplyPresetButton(FilterPreset preset) {
    InboxFilter chosen = filter();
    ApplyPreset(chosen, preset);
    ShowChoices(chosen);
}

void InboxFiltersDialog::UpdateEnabled() {
    const bool flags_usable = FlagBoxesUsable(filter());
    for (QCheckBox* box : {m_read, m_replied, m_copy_to_self, m_junk, m_attachments}) {
        box->setEnabled(flags_usable);
    }
    for (QPushButton* button : m_presets) {
        button->setEnabled(flags_usable);
    }
}

}  // namespace tarvox
