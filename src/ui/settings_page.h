// A tab page of the options window that shows part of one profile. The window
// builds a profile from its pages (reset record first, then each page reads
// its controls into it) and shows a profile by handing it to every page.
#pragma once

#include <QWidget>

#include "config/profile.h"
#include "ui/page_fields.h"

namespace tarvox {

class ProfilePage : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;

    // Shows the fields of `profile` this page edits; by default those bound
    // in `m_fields`.
    virtual void ShowProfile(const Profile& profile) { m_fields.Show(profile); }
    // Reads this page's controls into `profile`; fields it does not show are
    // left as they are. Integers are read as unsigned numbers; a check box
    // stores 1 when checked and 0 otherwise.
    virtual void ReadProfile(Profile& profile) const { m_fields.Read(profile); }

protected:
    FieldBindings<Profile> m_fields;
};

}  // namespace tarvox
