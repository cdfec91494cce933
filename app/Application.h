// The application object.
#pragma once

#include <QApplication>

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
