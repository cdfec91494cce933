// The image file: the name in the image box chosen by Enter, by leaving the box, by a
// list entry, by Browse or by a drop; the watch that writes the image whenever it has
// changed; and the files the window saves (the buffer as an image, the terminal's text).
//
// While the user types a path, ImageFileName follows the text (an operation reads the
// file named in the box) but nothing is loaded and no error is shown: a half-typed path
// is not a mistake. The file is loaded, and an error shown, once the name is chosen.
#include "ProgrammingForm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QThread>
#include <QTime>
#include <QTimer>
#include <QUrl>

#include "Dialogs.h"
#include "MainPage.h"
#include "TerminalPage.h"
#include "chipdef/BufferHex.h"
#include "chipdef/ChipDefinition.h"
#include "common/VESK_Exception.h"
#include "driver/DeviceVESK1.h"
#include "hexfile/IntelHexFile.h"
#include "storage/SafeFile.h"
#include "termview/ComTerminal.h"

namespace {

const QString ImageFilter = QStringLiteral("Intel Hex Format  files (*.hex);;All files (*.*)");

// Messages pumped by an operation that is under way (ShowProgress, the driver's baud
// rate switch): the watch never starts a write from inside one.
int PumpDepth = 0;

QString Now() {
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

void TProgrammingForm::ProcessMessages() {
    ++PumpDepth;
    QCoreApplication::processEvents();
    --PumpDepth;
}

// ---- The name ------------------------------------------------------------------------

void TProgrammingForm::cbxImageFileChange(const QString& text) {
    FImageFileName = text;
}

void TProgrammingForm::CommitImageName(const QString& name, bool always) {
    FImageFileName = name;
    if (!always && name == FCommittedImageName) return;
    FCommittedImageName = name;
    UpdateImageWatch();
    Guarded([this] { FImage->Load(FImageFileName.toStdString()); });
    ActionUpdateUpdate();
}

bool TProgrammingForm::ImageBoxEvent(QEvent* event) {
    QComboBox* box = FMainPage->cbxImageFile;
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
        CommitImageName(box->currentText(), true);
        return true;
    }
    case QEvent::FocusOut: {
        // Switching to another window or opening the list is not leaving the box.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            CommitImageName(box->currentText(), false);
        return false;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        // A file dropped on the box is the image, not text to insert into it.
        auto* drop = static_cast<QDropEvent*>(event);
        const QString file = DroppedFile(drop->mimeData());
        if (file.isEmpty()) return false;
        drop->acceptProposedAction();
        if (event->type() == QEvent::Drop) DropImage(file);
        return true;
    }
    default:
        return false;
    }
}

// ---- Drops ---------------------------------------------------------------------------------

QString TProgrammingForm::DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
    const QUrl url = data->urls().front();
    if (!url.isLocalFile() || QFileInfo(url.toLocalFile()).isDir()) return {};
    return url.toLocalFile();
}

void TProgrammingForm::dragEnterEvent(QDragEnterEvent* event) {
    if (!FBusy && !DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TProgrammingForm::dropEvent(QDropEvent* event) {
    const QString file = DroppedFile(event->mimeData());
    if (FBusy || file.isEmpty()) return;
    event->acceptProposedAction();
    DropImage(file);
}

void TProgrammingForm::DropImage(const QString& file) {
    if (FBusy) return; // as Browse, not while an operation runs
    {
        const QSignalBlocker block(FMainPage->cbxImageFile);
        FMainPage->cbxImageFile->setEditText(file);
    }
    CommitImageName(file, true);
}

// ---- The watch -------------------------------------------------------------------------------

void TProgrammingForm::SetWriteOnImageChange(bool value) {
    FWriteOnImageChange = value;
    if (FShown) UpdateImageWatch();
}

void TProgrammingForm::chbWriteOnImageChangeClick() {
    SetWriteOnImageChange(FMainPage->chbWriteOnImageChange->isChecked());
}

void TProgrammingForm::UpdateImageWatch() {
    FWatchedWritePending = false;
    const bool on = FWriteOnImageChange && !FCommittedImageName.isEmpty();
    FImageWatch.Watch(on ? FCommittedImageName.toStdString() : std::string());
    if (!on) {
        FImageWatchTimer->stop();
        FMainPage->lblImageWatch->setVisible(false);
        return;
    }
    FImageWatchTimer->start();
    ShowWatchState(QStringLiteral("waiting for a change"));
}

void TProgrammingForm::ShowWatchState(const QString& state, const QString& detail) {
    const QString name = QFileInfo(QString::fromStdString(FImageWatch.FileName())).fileName();
    FMainPage->lblImageWatch->setText(QStringLiteral("Watching %1: %2").arg(name, state));
    FMainPage->lblImageWatch->setToolTip(detail.isEmpty() ? QString::fromStdString(FImageWatch.FileName())
                                                          : detail);
    FMainPage->lblImageWatch->setVisible(true);
}

bool TProgrammingForm::MayWriteNow() const {
    // Not in the middle of an operation, nor under a dialog's own event loop.
    return !FBusy && PumpDepth == 0 && QThread::currentThread()->loopLevel() <= 1;
}

void TProgrammingForm::tmrImageWatchTimer() {
    if (!FWatchedWritePending) {
        switch (FImageWatch.Check(WatchClock())) {
        case vesk::TImageFileWatch::TResult::Ready:
            FWatchedWritePending = true;
            break;
        case vesk::TImageFileWatch::TResult::Incomplete:
            ShowWatchState(QStringLiteral("not a whole image at %1, not written").arg(Now()),
                           QString::fromStdString(FImageWatch.Message()));
            return;
        case vesk::TImageFileWatch::TResult::Unchanged:
            return;
        }
    }
    if (MayWriteNow())
        RunWatchedWrite();
    else
        ShowWatchState(QStringLiteral("changed, written when this operation has ended"));
}

void TProgrammingForm::RunWatchedWrite() {
    FWatchedWritePending = false;
    if (FDeviceDescription.isEmpty()) {
        ShowWatchState(QStringLiteral("changed at %1, not written: no programmer found").arg(Now()));
        return;
    }
    // Write takes the name in the box; one typed there and not yet chosen is not the
    // file that changed.
    if (FImageFileName != FCommittedImageName) {
        ShowWatchState(
            QStringLiteral("changed at %1, not written: the image box names another file").arg(Now()));
        return;
    }
    const QString time = Now();
    bool ok = false;
    Guarded([this, &ok] { ok = ProgramTarget(vesk::AllRegions); });
    ShowWatchState(ok ? QStringLiteral("written at %1").arg(time)
                      : QStringLiteral("write at %1 failed").arg(time));
}

// ---- Saving ----------------------------------------------------------------------------------

void TProgrammingForm::SaveBuffer() {
    Guarded([this] {
        const vesk::TChipSession* session = FDevice.Session();
        if (!session) throw vesk::Exception("No target selected", vesk::TFailureKind::NoTarget);
        QString name = FImageFileName;
        if (!FDialogs->SaveFileName(this, QStringLiteral("Save image file"), ImageFilter,
                                    QStringLiteral("hex"), name))
            return;
        vesk::WriteFileAtomically(name.toStdString(), vesk::BufferToIntelHex(*session));
    });
}

void TProgrammingForm::SaveTerminalText() {
    Guarded([this] {
        QString name;
        if (!FDialogs->SaveFileName(this, QStringLiteral("Save terminal text"),
                                    QStringLiteral("Text files (*.txt);;All files (*.*)"),
                                    QStringLiteral("txt"), name))
            return;
        vesk::WriteFileAtomically(name.toStdString(), FTerminalPage->ComTerminal1->Text().toStdString());
    });
}
