// The "Pattern filters" tab: the whitelist and blacklist header patterns of a
// profile (`whitepat`, `blackpat`), each a one-column list with Add, Edit and
// Del. The profile stores every pattern base64-encoded, so that a pattern may
// hold commas; the lists show them decoded.
#pragma once

#include <QStringList>

#include "frontend/services.h"
#include "ui/settings_page.h"

class QListWidget;

namespace tarvox {

class PatternFiltersPage : public ProfilePage {
    Q_OBJECT

public:
    enum class PatternList { White, Black };

    // The prompts and boxes go through `services`, which must outlive the page.
    explicit PatternFiltersPage(FrontendServices& services, QWidget* parent = nullptr);

    // Items that do not decode are dropped.
    void ShowProfile(const Profile& profile) override;
    // Each row, in order, base64-encoded and followed by a comma.
    void ReadProfile(Profile& profile) const override;

    // The rows of one list, top first.
    QStringList Patterns(PatternList list) const;

    // What the buttons do; public so that the window's keys can reach them.
    void AddPattern(PatternList list);
    void EditPattern(PatternList list);
    void DeletePattern(PatternList list);

private:
    QListWidget* ListOf(PatternList list) const;
    // The row to edit or delete; tells the user when none is selected.
    int SelectedRow(PatternList list);

    FrontendServices& m_services;
    QListWidget* m_white = nullptr;
    QListWidget* m_black = nullptr;
};

}  // namespace tarvox
