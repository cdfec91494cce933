#include "Application.h"

#include "Dialogs.h"
#include "ErrorBox.h"
#include "common/VESK_Exception.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const vesk::Exception& e) {
        ShowApplicationErrorBox(QString::fromStdString(e.Message()));
    } catch (const std::exception& e) {
        ShowApplicationErrorBox(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

void ShowApplicationErrorBox(const QString& message) {
    TWidgetDialogs dialogs;
    dialogs.ShowApplicationError(QApplication::activeWindow(), ApplicationTitle(), ErrorBoxText(message));
}
