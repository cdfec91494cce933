// The window's actions: the programming commands that its buttons, the arrow
// buttons' menus and the keyboard shortcuts trigger. The window creates them;
// the Main page's buttons show them.
#pragma once

#include <QList>

class QAction;

struct TFormActions {
    QAction* atnProgram = nullptr;
    QAction* atnProgramCode = nullptr;
    QAction* atnProgramData = nullptr;
    QAction* atnProgramFuses = nullptr;
    QAction* atnRead = nullptr;
    QAction* atnReadCode = nullptr;
    QAction* atnReadData = nullptr;
    QAction* atnReadFuses = nullptr;
    QAction* atnVerify = nullptr;
    QAction* atnVerifyCode = nullptr;
    QAction* atnVerifyData = nullptr;
    QAction* atnVerifyFuses = nullptr;
    QAction* atnErase = nullptr;
    QAction* atnClearBuffer = nullptr;
    QAction* atnRunTarget = nullptr;
    QAction* atnBrowseFile = nullptr;
    QAction* atnDetectTarget = nullptr;
    QAction* atnStop = nullptr;

    // Every action above, in table order.
    QList<QAction*> All() const {
        return {atnProgram,  atnProgramCode, atnProgramData, atnProgramFuses, atnRead,         atnReadCode,
                atnReadData, atnReadFuses,   atnVerify,      atnVerifyCode,   atnVerifyData,   atnVerifyFuses,
                atnErase,    atnClearBuffer, atnRunTarget,   atnBrowseFile,   atnDetectTarget, atnStop};
    }
};
