#include "ui/page_fields.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include "config/box_number.h"
#include "config/settings_text.h"
#include "config/stored_password.h"
#include "config/transport_security.h"
#include "ui/qt_text.h"

namespace tarvox {

QLineEdit* MakeTextBox(const char* object_name, QWidget* parent, bool password) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(object_name);
    box->setMaxLength(static_cast<int>(password ? kMaxPasswordLength : kMaxStoredTextLength));
    if (password) {
        box->setEchoMode(QLineEdit::Password);
    }
    return box;
}

QPushButton* MakeActionButton(const QString& text, const char* object_name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(object_name);
    button->setAutoDefault(false);
    return button;
}

QCheckBox* MakeCheck(const QString& text, const char* object_name, QWidget* parent) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(object_name);
    return box;
}

QRadioButton* AddRadio(QButtonGroup* group, int id, const QString& text, const char* object_name,
                       QWidget* parent) {
    auto* radio = new QRadioButton(text, parent);
    radio->setObjectName(object_name);
    group->addButton(radio, id);
    return radio;
}

void CheckId(QButtonGroup* group, int id, int fallback) {
    QAbstractButton* button = group->button(id);
    if (button == nullptr) {
        button = group->button(fallback);
    }
    button->setChecked(true);
}

int CheckedId(const QButtonGroup* group, int fallback) {
    const int id = group->checkedId();
    return id < 0 ? fallback : id;
}

QLineEdit* MakeNumberBox(const char* object_name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(object_name);
    box->setMaxLength(10);
    box->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
    return box;
}

void SetText(QLineEdit* box, const std::string& text) {
    box->setText(ToQString(text));
}

std::string ReadText(const QLineEdit* box) {
    // The box's length counts characters; the setting's limit counts the
    // bytes of its stored form, which UTF-8 text can exceed.
    return StoredPrefix(FromQString(box->text()), static_cast<std::size_t>(box->maxLength()));
}

int ReadNumber(const QLineEdit* box) {
    return ReadBoxNumber(FromQString(box->text()), BoxSign::Unsigned);
}

void SetNumber(QLineEdit* box, int value) {
    // A stored value the box cannot hold (negative) is shown as it is, so
    // that reading it back gives 0 rather than a silently different number.
    box->setText(QString::number(value));
}

void SetChecked(QCheckBox* box, int value) {
    box->setChecked(value == 1);
}

int ReadChecked(const QCheckBox* box) {
    return box->isChecked() ? 1 : 0;
}

ProtocolChoice MakeProtocolChoice(QWidget* page, const QString& upgrade_label,
                                  const ProtocolChoiceNames& names, int plain_port, int tls_port) {
    // Made in the order Tab goes through them.
    ProtocolChoice choice;
    choice.group = new QButtonGroup(page);
    choice.row = new QHBoxLayout;
    choice.row->addWidget(AddRadio(choice.group, TransportSecurity::Cleartext,
                                   QObject::tr("Cleartext"), names.cleartext, page));
    choice.row->addWidget(AddRadio(choice.group, TransportSecurity::SslDirect,
                                   QObject::tr("SSL direct"), names.direct, page));
    choice.row->addWidget(
        AddRadio(choice.group, TransportSecurity::StartTls, upgrade_label, names.upgrade, page));
    choice.port = MakeNumberBox(names.port, page);
    auto* port_label = new QLabel(QObject::tr("Port:"), page);
    port_label->setBuddy(choice.port);
    choice.row->addWidget(port_label);
    choice.row->addWidget(choice.port);
    QLineEdit* port = choice.port;
    QObject::connect(choice.group, &QButtonGroup::idClicked, page, [=](int id) {
        SetNumber(port,
                  id == static_cast<int>(TransportSecurity::SslDirect) ? tls_port : plain_port);
    });
    return choice;
}

}  // namespace tarvox
