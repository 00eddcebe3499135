// "Profile Manager": reorders, renames, clones and deletes profiles. It edits
// a list of rows (a name and the profile it came from) and changes nothing
// until OK, which replaces the profile list by copies of the rows' profiles
// under the rows' names, in row order. The caller refills its profile combo
// box; the settings file is written at the next save.
#pragma once

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

#include "config/profile.h"
#include "config/profile_rows.h"

class QTreeWidget;

namespace tarvox {

class FrontendServices;

class ProfileManagerDialog : public QDialog {
    Q_OBJECT

public:
    ProfileManagerDialog(ProfileList& profiles, FrontendServices& services,
                         QWidget* parent = nullptr);

    // Opens the help page at an anchor ("#profileman"); none: "&Help" does nothing.
    void SetHelpHandler(std::function<void(const QString& anchor)> handler) {
        m_help = std::move(handler);
    }

    QTreeWidget* rows() const { return m_rows; }

    void accept() override;

private:
    void AddRow(const std::string& name, const Profile* source, int index = -1);
    void MoveSelected(int step);
    void RenameSelected();
    void DeleteSelected();
    void CloneSelected();
    // The rows as they stand, in order.
    std::vector<ProfileRow> Rows() const;

    ProfileList& m_profiles;
    FrontendServices& m_services;
    QTreeWidget* m_rows = nullptr;
    std::function<void(const QString&)> m_help;
};

}  // namespace tarvox
