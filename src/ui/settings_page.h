// A tab page of the options window that shows part of one profile. The window
// builds a profile from its pages (reset record first, then each page reads
// its controls into it) and shows a profile by handing it to every page.
#pragma once

#include <QWidget>

#include "config/profile.h"

namespace tarvox {

class ProfilePage : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;

    // Shows the fields of `profile` this page edits.
    virtual void ShowProfile(const Profile& profile) = 0;
    // Reads this page's controls into `profile`; fields it does not show are
    // left as they are. Integers are read as unsigned numbers; a check box
    // stores 1 when checked and 0 otherwise.
    virtual void ReadProfile(Profile& profile) const = 0;
};

}  // namespace tarvox
