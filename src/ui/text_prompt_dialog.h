// The small modal text prompt shared by the whole program: a prompt text, one
// input line (masked in password mode, digits only when asked), an optional
// "&Don't ask again" check box, "&Submit" and "&Cancel". Submit refuses an
// empty input with "Enter text (or Cancel)" and stays open.
#pragma once

#include <QDialog>

#include "frontend/services.h"

class QCheckBox;
class QLineEdit;

namespace tarvox {

class TextPromptDialog : public QDialog {
    Q_OBJECT

public:
    TextPromptDialog(const TextPromptRequest& request, QWidget* parent = nullptr);

    // Runs the dialog; the answer as the request's buffer would hold it.
    TextPromptResult Ask();

    QLineEdit* input() const { return m_input; }

private:
    void Submit();

    TextPromptRequest m_request;
    QLineEdit* m_input = nullptr;
    QCheckBox* m_dont_ask_again = nullptr;
};

}  // namespace tarvox
