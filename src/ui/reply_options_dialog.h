// "Reply options": what a reply from the viewer starts with. Four check
// boxes (include the original, quote only the selection, mark quoted lines,
// use the original CC) and the viewed message's addresses (Reply-To, From,
// the To entries), each with a check box and its field. OK stores the four
// settings in the global settings and keeps the checked addresses as the
// reply's To text; Cancel abandons the reply.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "compose/reply_text.h"

class QCheckBox;
class QTreeWidget;

namespace tarvox {

struct AppContext;

class ReplyOptionsDialog : public QDialog {
    Q_OBJECT

public:
    // `values` and `to` are the viewed message's kept values and To entries.
    ReplyOptionsDialog(AppContext& context, const ReplyValues& values, const AddressList& to,
                       QWidget* parent = nullptr);

    // After OK: the checked rows' addresses joined with ", ", in row order.
    const std::string& reply_addresses() const { return m_reply_addresses; }

    void accept() override;

private:
    AppContext& m_context;
    std::vector<ReplyOptionRow> m_rows;
    std::string m_reply_addresses;
    QCheckBox* m_include = nullptr;
    QCheckBox* m_selection = nullptr;
    QCheckBox* m_marker = nullptr;
    QCheckBox* m_cc = nullptr;
    QTreeWidget* m_addresses = nullptr;
};

}  // namespace tarvox
