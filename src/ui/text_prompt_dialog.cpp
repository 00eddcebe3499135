#include "ui/text_prompt_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "ui/qt_text.h"

namespace tarvox {

TextPromptDialog::TextPromptDialog(const TextPromptRequest& request, QWidget* parent)
    : QDialog(parent), m_request(request) {
    setWindowTitle(ToQString(request.title));
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(ToQString(request.prompt), this);
    prompt->setTextFormat(Qt::PlainText);
    prompt->setWordWrap(true);
    layout->addWidget(prompt);

    m_input = new QLineEdit(this);
    m_input->setObjectName("input");
    // The result buffer holds capacity - 1 characters.
    m_input->setMaxLength(static_cast<int>(request.capacity > 1 ? request.capacity - 1 : 0));
    if (request.password_mode) {
        m_input->setEchoMode(QLineEdit::Password);
    }
    if (request.numbers_only) {
        m_input->setValidator(
            new QRegularExpressionValidator(QRegularExpression("[0-9]*"), m_input));
    }
    if (request.prefill) {
        m_input->setText(ToQString(request.initial_text));
        m_input->selectAll();
    }
    layout->addWidget(m_input);

    if (request.dont_ask_again_box) {
        m_dont_ask_again = new QCheckBox(tr("&Don't ask again"), this);
        m_dont_ask_again->setObjectName("dontAskAgain");
        layout->addWidget(m_dont_ask_again);
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* submit = buttons->addButton(tr("&Submit"), QDialogButtonBox::AcceptRole);
    submit->setObjectName("submit");
    submit->setDefault(true);
    QPushButton* cancel = buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName("cancel");
    connect(submit, &QPushButton::clicked, this, &TextPromptDialog::Submit);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void TextPromptDialog::Submit() {
    if (m_input->text().isEmpty()) {
        QMessageBox box(QMessageBox::Warning, QString(), ToQString(kEmptyPromptRefusal),
                        QMessageBox::Ok, this);
        box.exec();
        return;
    }
    accept();
}

TextPromptResult TextPromptDialog::Ask() {
    TextPromptResult result;
    if (exec() != QDialog::Accepted) {
        return result;
    }
    result.submitted = true;
    result.text = FromQString(m_input->text());
    CutPromptAnswer(result.text, m_request.capacity);
    result.dont_ask_again = m_dont_ask_again != nullptr && m_dont_ask_again->isChecked();
    return result;
}

}  // namespace tarvox
