#include "ui/filters_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "junk/junk_settings.h"
#include "ui/qt_text.h"

namespace tarvox {

namespace {

struct HeuristicBox {
    JunkRule rule;
    const char* text;
    const char* name;
};

// The boxes in their order on the page; box i stands for bit 1 << i.
constexpr HeuristicBox kHeuristicBoxes[FiltersPage::kHeuristicCount] = {
    {JunkRule::EmptyFrom, "F&rom: empty () or <>", "fromEmpty"},
    {JunkRule::SubjectSpaces, "S&ubject: multiple spaces", "subjectSpaces"},
    {JunkRule::SimilarUsernames, "T&o/CC: similar usernames", "similarUsernames"},
    {JunkRule::FromMissingAt, "Fro&m: missing @", "fromMissingAt"},
    {JunkRule::ToMissingAddress, "To: m&issing address or @", "toMissingAddress"},
    {JunkRule::SimilarDomains, "To/&CC: similar domains", "similarDomains"},
    {JunkRule::Html, "&HTML mail", "htmlMail"},
};

}  // namespace

FiltersPage::FiltersPage(QWidget* parent) : ProfilePage(parent) {
    auto* layout = new QVBoxLayout(this);

    layout->addWidget(new QLabel("Whitelist. Mail is junk unless it contains:", this));
    m_whitelist = new QLineEdit(this);
    m_whitelist->setObjectName("whitelist");
    layout->addWidget(m_whitelist);

    layout->addWidget(new QLabel("Blacklist. ANY mail is junk if it contains:", this));
    m_blacklist = new QLineEdit(this);
    m_blacklist->setObjectName("blacklist");
    layout->addWidget(m_blacklist);

    auto* note = new QLabel(
        "These filters match text in Subject/From/To/CC headers. Separate terms by commas "
        "only.",
        this);
    note->setWordWrap(true);
    layout->addWidget(note);

    auto* boxes = new QGridLayout;
    for (int i = 0; i < kHeuristicCount; ++i) {
        auto* box = new QCheckBox(kHeuristicBoxes[i].text, this);
        box->setObjectName(kHeuristicBoxes[i].name);
        box->setProperty("filterBit", static_cast<int>(kHeuristicBoxes[i].rule));
        boxes->addWidget(box, i % 4, i / 4);
        m_heuristics[i] = box;
    }
    layout->addLayout(boxes);
    layout->addStretch(1);
}

void FiltersPage::ShowProfile(const Profile& profile) {
    m_whitelist->setText(ToQString(profile.antispam));
    m_blacklist->setText(ToQString(profile.blacklist));
    for (int i = 0; i < kHeuristicCount; ++i) {
        m_heuristics[i]->setChecked(RuleOn(profile.filterbits, kHeuristicBoxes[i].rule));
    }
}

void FiltersPage::ReadProfile(Profile& profile) const {
    profile.antispam = FromQString(m_whitelist->text());
    profile.blacklist = FromQString(m_blacklist->text());
    int rules = 0;
    for (int i = 0; i < kHeuristicCount; ++i) {
        if (m_heuristics[i]->isChecked()) {
            rules |= static_cast<int>(kHeuristicBoxes[i].rule);
        }
    }
    profile.filterbits = WithJunkRules(profile.filterbits, rules);
}

}  // namespace tarvox
