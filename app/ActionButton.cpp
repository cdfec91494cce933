#include "ActionButton.h"

#include <QAbstractButton>
#include <QAction>

void BindButtonToAction(QAbstractButton* button, QAction* action) {
    auto follow = [button, action] {
        button->setText(action->text());
        button->setToolTip(action->toolTip());
        button->setEnabled(action->isEnabled());
        button->setVisible(action->isVisible());
    };
    follow();
    QObject::connect(action, &QAction::changed, button, follow);
    QObject::connect(button, &QAbstractButton::clicked, action, [action] {
        if (action->isEnabled()) action->trigger();
    });
}
