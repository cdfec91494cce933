// The About page: the logo, the title with the version, the credits with the
// contact address, the links, and the text about the program.
#pragma once

#include <QList>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QTextBrowser;
class QVBoxLayout;

class TAboutPage : public QWidget {
    Q_OBJECT
  public:
    TAboutPage();

    // The controls, set at construction.
    QLabel* lblVersion = nullptr;
    QTextBrowser* VersionMemo = nullptr;
    QList<QLabel*> LinkLabels; // the contact address first, then the links

  private:
    QWidget* CreateLogo();
    void CreateHeading(QVBoxLayout* heading);
    void CreateLinks(QVBoxLayout* heading);
    void CreateVersionMemo(QVBoxLayout* page);
};
