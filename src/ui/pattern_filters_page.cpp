#include "ui/pattern_filters_page.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "junk/junk_rules.h"
#include "ui/qt_text.h"

namespace tarvox {

namespace {

constexpr std::string_view kPromptTitle = "Match custom header";
constexpr std::string_view kPromptText =
    "Define pattern (case insensitive) to match an entire header line. Use ? for single and * "
    "for multiple unknown chars.";
constexpr std::string_view kPromptExample = "X-Example-Header: *spam*";
constexpr std::string_view kCaption = "Filtering";
constexpr std::string_view kSelectFirstText =
    "Please first select an existing custom header from the list.";
constexpr std::string_view kDeleteQuestion =
    "Are you sure you want to delete this custom header filter?";

// The rows a stored list shows, as the filter itself reads them.
QStringList DecodePatterns(std::string_view stored) {
    QStringList rows;
    for (const std::string& pattern : DecodePatternList(stored)) {
        rows << ToQString(pattern);
    }
    return rows;
}

CommaList EncodePatterns(const QListWidget& list) {
    std::vector<std::string> patterns;
    for (int row = 0; row < list.count(); ++row) {
        patterns.push_back(FromQString(list.item(row)->text()));
    }
    return EncodePatternList(patterns);
}

TextPromptRequest PatternPrompt(std::string_view initial) {
    TextPromptRequest request;
    request.title = std::string(kPromptTitle);
    request.prompt = std::string(kPromptText);
    request.prefill = true;
    request.initial_text = std::string(initial);
    return request;
}

}  // namespace

PatternFiltersPage::PatternFiltersPage(FrontendServices& services, QWidget* parent)
    : ProfilePage(parent), m_services(services) {
    auto* layout = new QGridLayout(this);
    const struct {
        PatternList list;
        const char* label;
        const char* prefix;
    } columns[] = {
        {PatternList::White, "Whitelist patterns:", "white"},
        {PatternList::Black, "Blacklist patterns:", "black"},
    };
    for (int column = 0; column < 2; ++column) {
        const auto& c = columns[column];
        const QString prefix = c.prefix;
        auto* list = new QListWidget(this);
        list->setObjectName(prefix + "Patterns");
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        (c.list == PatternList::White ? m_white : m_black) = list;

        auto* buttons = new QHBoxLayout;
        const struct {
            const char* text;
            const char* name;
            void (PatternFiltersPage::*action)(PatternList);
        } actions[] = {
            {"Add", "Add", &PatternFiltersPage::AddPattern},
            {"Edit", "Edit", &PatternFiltersPage::EditPattern},
            {"Del", "Del", &PatternFiltersPage::DeletePattern},
        };
        for (const auto& a : actions) {
            auto* button = new QPushButton(a.text, this);
            button->setObjectName(prefix + a.name);
            connect(button, &QPushButton::clicked, this,
                    [this, list = c.list, action = a.action] { (this->*action)(list); });
            buttons->addWidget(button);
        }
        buttons->addStretch(1);

        layout->addWidget(new QLabel(c.label, this), 0, column);
        layout->addWidget(list, 1, column);
        layout->addLayout(buttons, 2, column);
    }
}

QListWidget* PatternFiltersPage::ListOf(PatternList list) const {
    return list == PatternList::White ? m_white : m_black;
}

void PatternFiltersPage::ShowProfile(const Profile& profile) {
    m_white->clear();
    m_white->addItems(DecodePatterns(profile.whitepat));
    m_black->clear();
    m_black->addItems(DecodePatterns(profile.blackpat));
}

void PatternFiltersPage::ReadProfile(Profile& profile) const {
    profile.whitepat = EncodePatterns(*m_white);
    profile.blackpat = EncodePatterns(*m_black);
}

QStringList PatternFiltersPage::Patterns(PatternList list) const {
    QStringList rows;
    const QListWidget* widget = ListOf(list);
    for (int row = 0; row < widget->count(); ++row) {
        rows << widget->item(row)->text();
    }
    return rows;
}

int PatternFiltersPage::SelectedRow(PatternList list) {
    const QList<QListWidgetItem*> selected = ListOf(list)->selectedItems();
    if (selected.isEmpty()) {
        m_services.ShowMessage(kSelectFirstText, kCaption, BoxIcon::Warning);
        return -1;
    }
    return ListOf(list)->row(selected.front());
}

void PatternFiltersPage::AddPattern(PatternList list) {
    const TextPromptResult answer = m_services.TextPrompt(PatternPrompt(kPromptExample));
    if (answer.submitted && !answer.text.empty()) {
        ListOf(list)->insertItem(0, ToQString(answer.text));
    }
}

void PatternFiltersPage::EditPattern(PatternList list) {
    const int row = SelectedRow(list);
    if (row < 0) {
        return;
    }
    QListWidgetItem* item = ListOf(list)->item(row);
    const TextPromptResult answer = m_services.TextPrompt(PatternPrompt(FromQString(item->text())));
    if (answer.submitted && !answer.text.empty()) {
        item->setText(ToQString(answer.text));
    }
}

void PatternFiltersPage::DeletePattern(PatternList list) {
    const int row = SelectedRow(list);
    if (row < 0) {
        return;
    }
    if (m_services.ShowMessage(kDeleteQuestion, kCaption, BoxIcon::None, BoxButtons::YesNo) ==
        BoxAnswer::Yes) {
        delete ListOf(list)->takeItem(row);
    }
}

}  // namespace tarvox
