#include "ui/help_button.h"

#include <QDialogButtonBox>
#include <QPushButton>

#include "ui/app_context.h"

namespace tarvox {

QPushButton* AddHelpButton(QDialogButtonBox* buttons, const QString& text, AppContext& context,
                           const QString& anchor) {
    QPushButton* help = buttons->addButton(text, QDialogButtonBox::HelpRole);
    help->setObjectName("help");
    help->setAutoDefault(false);
    QObject::connect(help, &QPushButton::clicked, help, [&context, anchor] {
        if (context.show_help) {
            context.show_help(anchor);
        }
    });
    return help;
}

}  // namespace tarvox
