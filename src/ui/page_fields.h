// Small helpers the options window's pages share: text boxes that hold what a
// settings value can hold and read back, number boxes read as unsigned
// numbers, check boxes that stand for 0 or 1, the connection protocol choice,
// and the binding of such controls to the fields of a record.
#pragma once

#include <functional>
#include <type_traits>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QString;
class QWidget;

namespace tarvox {

// A one-line box of at most what the settings file reads back (510
// characters); a masked one of at most 255 when `password` is set, since a
// stored password takes two letters a byte.
QLineEdit* MakeTextBox(const char* object_name, QWidget* parent, bool password = false);
// A box for digits only.
QLineEdit* MakeNumberBox(const char* object_name, QWidget* parent);

void SetText(QLineEdit* box, const std::string& text);
std::string ReadText(const QLineEdit* box);

// The box's text as an unsigned number (ReadBoxNumber).
int ReadNumber(const QLineEdit* box);
void SetNumber(QLineEdit* box, int value);

// A named push button that leaves Enter to the dialog's default button.
QPushButton* MakeActionButton(const QString& text, const char* object_name, QWidget* parent);

// A named check box, and a named radio button that is member `id` of `group`.
QCheckBox* MakeCheck(const QString& text, const char* object_name, QWidget* parent);
QRadioButton* AddRadio(QButtonGroup* group, int id, const QString& text, const char* object_name,
                       QWidget* parent);
// Checks the radio button of `id`, or that of `fallback` for a value the group
// does not offer.
void CheckId(QButtonGroup* group, int id, int fallback);
// The id of the checked radio button, or `fallback` when none is checked.
int CheckedId(const QButtonGroup* group, int fallback);

// The same for a group whose button ids are the values of an enum.
template <class Code>
    requires std::is_enum_v<Code>
QRadioButton* AddRadio(QButtonGroup* group, Code id, const QString& text, const char* object_name,
                       QWidget* parent) {
    return AddRadio(group, static_cast<int>(id), text, object_name, parent);
}
template <class Code>
Code CheckedCode(const QButtonGroup* group, Code fallback) {
    return static_cast<Code>(CheckedId(group, static_cast<int>(fallback)));
}

void SetChecked(QCheckBox* box, int value);
int ReadChecked(const QCheckBox* box);

// The choice of a connection protocol on one row: the radio buttons
// "Cleartext", "SSL direct" and `upgrade_label` (the TransportSecurity values
// as ids), then "Port:" and its number box. Choosing a protocol fills in
// its usual port over whatever was typed: `tls_port` for SSL direct,
// `plain_port` otherwise.
struct ProtocolChoiceNames {
    const char* cleartext;
    const char* direct;
    const char* upgrade;
    const char* port;
};
struct ProtocolChoice {
    QButtonGroup* group;
    QLineEdit* port;
    QHBoxLayout* row;
};
ProtocolChoice MakeProtocolChoice(QWidget* page, const QString& upgrade_label,
                                  const ProtocolChoiceNames& names, int plain_port, int tls_port);

// The controls of a page bound to fields of a record: Show puts the record's
// values in them and Read reads them back into a record, control by control
// in the order they were bound. Each binding returns its control.
template <class Record>
class FieldBindings {
public:
    QLineEdit* Text(QLineEdit* box, std::string Record::*field) {
        Bind([=](const Record& record) { SetText(box, record.*field); },
             [=](Record& record) { record.*field = ReadText(box); });
        return box;
    }
    QLineEdit* Number(QLineEdit* box, int Record::*field) {
        Bind([=](const Record& record) { SetNumber(box, record.*field); },
             [=](Record& record) { record.*field = ReadNumber(box); });
        return box;
    }
    QCheckBox* Check(QCheckBox* box, int Record::*field) {
        Bind([=](const Record& record) { SetChecked(box, record.*field); },
             [=](Record& record) { record.*field = ReadChecked(box); });
        return box;
    }
    // A radio group whose button ids are the field's values; `fallback` is
    // shown for a value without a button and read when none is checked.
    template <class Value>
    QButtonGroup* Choice(QButtonGroup* group, Value Record::*field,
                         std::type_identity_t<Value> fallback) {
        const int none = static_cast<int>(fallback);
        Bind([=](const Record& record) { CheckId(group, static_cast<int>(record.*field), none); },
             [=](Record& record) { record.*field = static_cast<Value>(CheckedId(group, none)); });
        return group;
    }

    void Show(const Record& record) const {
        for (const Binding& binding : m_bindings) {
            binding.show(record);
        }
    }
    void Read(Record& record) const {
        for (const Binding& binding : m_bindings) {
            binding.read(record);
        }
    }

private:
    struct Binding {
        std::function<void(const Record&)> show;
        std::function<void(Record&)> read;
    };
    void Bind(std::function<void(const Record&)> show, std::function<void(Record&)> read) {
        m_bindings.push_back({std::move(show), std::move(read)});
    }

    std::vector<Binding> m_bindings;
};

}  // namespace tarvox
