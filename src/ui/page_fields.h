// Small helpers the options window's pages share: text boxes that hold what a
// settings value can hold and read back, number boxes read as unsigned
// numbers, and check boxes that stand for 0 or 1.
#pragma once

#include <string>

class QButtonGroup;
class QCheckBox;
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

// The box's text as an unsigned number; 0 when it is empty, holds anything but
// digits (blanks around them aside) or does not fit a signed 32-bit setting.
int ReadNumber(const QLineEdit* box);
int ParseUnsigned(const QString& text);
void SetNumber(QLineEdit* box, int value);

// A named push button that leaves Enter to the dialog's default button.
QPushButton* MakeActionButton(const QString& text, const char* object_name, QWidget* parent);

// A named check box, and a named radio button that is member `id` of `group`.
QCheckBox* MakeCheck(const QString& text, const char* object_name, QWidget* parent);
QRadioButton* AddRadio(QButtonGroup* group, int id, const QString& text, const char* object_name,
                       QWidget* parent);

void SetChecked(QCheckBox* box, int value);
int ReadChecked(const QCheckBox* box);

}  // namespace tarvox
