// Binds a push button to an action the way the window's buttons are linked to
// their actions: the button shows the action's caption and hint, follows its
// enabled state and triggers it when clicked.
#pragma once

class QAbstractButton;
class QAction;

void BindButtonToAction(QAbstractButton* button, QAction* action);
