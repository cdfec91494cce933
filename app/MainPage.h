// The Main page: the programmer found ("Device", with a way to the Settings page
// when none was found at start, and the state of the image watch), the image file
// with the switch that writes it whenever it changes, the target type and the
// actions with their arrow menus, the two switches of a write, the progress bar and
// the state lamp. The buttons show the window's actions; the window binds the other
// controls to its handlers.
#pragma once

#include <QWidget>

#include "FormActions.h"

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolButton;
class QVBoxLayout;
class TStateLamp;

class TMainPage : public QWidget {
    Q_OBJECT
  public:
    // The arrow menus hold the window's actions and belong to `window`.
    TMainPage(const TFormActions& actions, QWidget* window);

    // The controls, set at construction.
    QLabel* lblDevice = nullptr;
    QPushButton* btnPortSettings = nullptr; // shown while no programmer was found
    QPushButton* btnDetect = nullptr;
    QLabel* lblImageWatch = nullptr; // shown while the image file is watched
    QComboBox* cbxImageFile = nullptr;
    QPushButton* btnBrowse = nullptr;
    QCheckBox* chbWriteOnImageChange = nullptr;
    QComboBox* cbxTargetType = nullptr;
    QPushButton* btnDetectTarget = nullptr;
    QPushButton* btnProgram = nullptr;
    QPushButton* btnRead = nullptr;
    QPushButton* btnVerify = nullptr;
    QPushButton* btnRun = nullptr;
    QPushButton* btnStop = nullptr;
    QToolButton* sbProgramMenu = nullptr;
    QToolButton* sbReadMenu = nullptr;
    QToolButton* sbVerifyMenu = nullptr;
    QMenu* pmProgram = nullptr;
    QMenu* pmRead = nullptr;
    QMenu* pmVerify = nullptr;
    QCheckBox* chbVerifyAfterWrite = nullptr;
    QCheckBox* chbPassThroughEnter = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    TStateLamp* imgState = nullptr;

  public slots:
    // An arrow button opens its menu under the main button it belongs to.
    void sbPopupMenuClick();

  private:
    void CreateDeviceGroup(QVBoxLayout* page);
    void CreateImageGroup(QVBoxLayout* page, const TFormActions& actions);
    void CreateTargetGroup(QVBoxLayout* page, const TFormActions& actions);
    void CreateActionGroup(QVBoxLayout* page, const TFormActions& actions, QWidget* window);
    // One main button with its arrow and the arrow's menu.
    void CreateMenuButton(QWidget* group, QHBoxLayout* row, QWidget* window, QPushButton*& button,
                          QToolButton*& arrow, QMenu*& menu, QAction* main, const char* name,
                          std::initializer_list<QAction*> items);
    void CreateSwitches(QWidget* group, QVBoxLayout* layout);
    void CreateProgress(QWidget* group, QVBoxLayout* layout);
};
