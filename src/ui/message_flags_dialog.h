// "Message Flags": the flags of one inbox message. Read and Replied to can be
// changed; Copy to self and Attachments are shown only; the Junk/spam box,
// usable only for a message with a junk verdict, clears the verdict for the
// rest of this inbox session when unchecked. OK writes the entry (the caller
// redraws its row); Cancel leaves it as it was.
#pragma once

#include <QDialog>

class QCheckBox;

namespace tarvox {

struct AppContext;
struct InboxEntry;
struct Profile;

class MessageFlagsDialog : public QDialog {
    Q_OBJECT

public:
    // `profile` gives the identity for Copy to self (the inbox's working
    // profile). All three must outlive the dialog.
    MessageFlagsDialog(AppContext& context, InboxEntry& entry, const Profile& profile,
                       QWidget* parent = nullptr);

    void accept() override;

private:
    InboxEntry& m_entry;
    QCheckBox* m_read = nullptr;
    QCheckBox* m_replied = nullptr;
    QCheckBox* m_junk = nullptr;
};

}  // namespace tarvox
