// The application object and the driver it owns for the whole run.
#pragma once

#include <QApplication>

namespace vesk {
class TDeviceVESK1;
}

// The programmer driver, created before the main window and destroyed after it.
extern vesk::TDeviceVESK1* DeviceVESK1;

// Shows every error that escapes an event handler in the application's
// standard error box; the program carries on afterwards.
class TApplication : public QApplication {
    Q_OBJECT
  public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows `message` in the application's standard error box.
void ShowApplicationErrorBox(const QString& message);
