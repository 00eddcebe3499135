// The "Filters" tab: the whitelist and blacklist terms of a profile, each a
// comma list edited as one line, and the seven heuristic rule boxes of
// `filterbits`.
#pragma once

#include <array>

#include "ui/settings_page.h"

class QCheckBox;
class QLineEdit;

namespace tarvox {

class FiltersPage : public ProfilePage {
    Q_OBJECT

public:
    explicit FiltersPage(QWidget* parent = nullptr);

    void ShowProfile(const Profile& profile) override;
    // Stores the lists exactly as typed and the boxes' bits in `filterbits`;
    // bits that no box shows are kept.
    void ReadProfile(Profile& profile) const override;

    // The heuristic bits, in the order of the boxes: 0x01, 0x02, ... 0x40.
    static constexpr int kHeuristicCount = 7;

private:
    QLineEdit* m_whitelist = nullptr;  // `antispam`
    QLineEdit* m_blacklist = nullptr;  // `blacklist`
    std::array<QCheckBox*, kHeuristicCount> m_heuristics{};
};

}  // namespace tarvox
