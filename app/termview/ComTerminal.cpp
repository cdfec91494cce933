// The terminal control: its properties, the serial port binding and error reports.
// Drawing is in ComTerminalPaint.cpp, the keyboard in ComTerminalKeys.cpp.

#include "ComTerminal.h"

#include "ComTerminalNotifier.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace vesk {

TComTerminal::TComTerminal(QWidget* parent)
    : QFrame(parent), FModel(std::make_unique<TComTerminalModel>()), FLink(std::make_unique<TComLink>()) {
    FModel->OnChanged = [this](const TTermChange& change) { ModelChanged(change); };
    FModel->OnSend = [this](std::string_view bytes) { return SendBytes(bytes); };
    FLink->RxBuf = [this](const char* bytes, int count) {
        FModel->RxBuf(std::string_view(bytes, size_t(count)));
    };
    FLink->Conn = [this](bool opened) { PortConnectionChanged(opened); };

    FBlinkTimer = new QTimer(this);
    connect(FBlinkTimer, &QTimer::timeout, this, &TComTerminal::BlinkCaret);

    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    // Every pixel is painted by paintEvent.
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetBorderStyle(TTermBorderStyle::bsSingle);
    setFont(DefaultFont());
    UpdateMetrics();
    UpdateSize();
}

TComTerminal::~TComTerminal() {
    FModel->OnChanged = nullptr;
    FModel->OnSend = nullptr;
    DisarmNotifier();
    if (FComPort) {
        try {
            FComPort->UnRegisterLink(FLink.get());
        } catch (...) {
            // The link was attached by SetComPort, so this cannot fail; a destructor
            // must not throw in any case.
        }
    }
}

// ---- Properties ----

void TComTerminal::SetColumns(int value) {
    FModel->SetColumns(value);
}

void TComTerminal::SetRows(int value) {
    FModel->SetRows(value);
}

void TComTerminal::SetFontColor(TColor value) {
    FModel->SetFontColor(value);
    update();
}

void TComTerminal::SetCharSet(TTermCharSet value) {
    FCharSet = value;
    update();
}

void TComTerminal::SetBorderStyle(TTermBorderStyle value) {
    FBorderStyle = value;
    if (value == TTermBorderStyle::bsSingle) {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    } else {
        setFrameStyle(QFrame::NoFrame);
    }
    UpdateSize();
}

void TComTerminal::SetAutoSize(bool value) {
    FAutoSize = value;
    if (value)
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    else
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    UpdateSize();
}

void TComTerminal::Write(const char* bytes, int count) {
    if (bytes && count > 0) FModel->Write(std::string_view(bytes, size_t(count)));
}

QSize TComTerminal::sizeHint() const {
    const QMargins m = contentsMargins();
    return QSize(Columns() * FCellWidth + m.left() + m.right(),
                 FModel->LineCount() * FCellHeight + m.top() + m.bottom());
}

QSize TComTerminal::minimumSizeHint() const {
    // Without AutoSize the control may be smaller than its screen (the rest is cut).
    return FAutoSize ? sizeHint() : QSize(FCellWidth * 2, FCellHeight * 2);
}

void TComTerminal::UpdateSize() {
    updateGeometry();
    if (FAutoSize) resize(sizeHint());
    update();
}

// ---- The serial port ----

void TComTerminal::SetComPort(TComPort* port) {
    if (port == FComPort) return;
    if (FComPort) {
        DisarmNotifier();
        TComPort* old = FComPort;
        FComPort = nullptr;
        old->UnRegisterLink(FLink.get());
    }
    if (port) {
        port->RegisterLink(FLink.get());
        FComPort = port;
        ArmNotifier();
    }
}

bool TComTerminal::Connected() const {
    return FComPort && FComPort->Connected();
}

void TComTerminal::SetConnected(bool value) {
    // The link's connection callback arms or disarms the watcher.
    if (FComPort) FComPort->SetConnected(value);
}

bool TComTerminal::SendBytes(std::string_view bytes) {
    if (!FComPort || !FComPort->Connected()) return false;
    const int written = FComPort->Write(bytes.data(), int(bytes.size()));
    // A write the line did not take within its time-out is a failed write, not a
    // key stroke silently lost.
    if (written != int(bytes.size())) throw EComPort(ErrWrite, TComTerminalNotifier::WriteTimedOutError());
    return true;
}

void TComTerminal::PortConnectionChanged(bool opened) {
    // Every open gives the port a new handle: watch the new one.
    if (opened)
        ArmNotifier();
    else
        DisarmNotifier();
    emit ConnectedChanged(opened);
}

void TComTerminal::ArmNotifier() {
    DisarmNotifier();
    if (!FComPort || !FComPort->Connected() || !FComPort->Events().count(evRxChar)) return;
    FNotifier = TComTerminalNotifier::Create(
        *FComPort, [this] { PortReadable(); }, this);
}

void TComTerminal::DisarmNotifier() {
    if (!FNotifier) return;
    // This may run inside the notifier's own signal (a close while receiving), so
    // it is switched off at once and deleted later.
    FNotifier->Stop();
    FNotifier->deleteLater();
    FNotifier = nullptr;
}

void TComTerminal::PortReadable() {
    TComPort* port = FComPort;
    if (!port || !port->Connected()) {
        DisarmNotifier();
        return;
    }
    try {
        port->ProcessReceived();
        // A hung-up line stays readable for ever; should the port not have noticed
        // it, stop here rather than be woken again and again.
        if (port->Connected()) TComTerminalNotifier::CheckLine(*port);
    } catch (const EComPort& error) {
        // The line failed: close the port (which also stops the watcher), then tell.
        try {
            port->Close();
        } catch (...) {
            DisarmNotifier(); // the close error adds nothing to the first one
        }
        ReportError(error);
    } catch (const std::exception& error) {
        ReportError(error);
    }
}

// ---- Errors ----

void TComTerminal::ReportError(const std::exception& error) {
    if (OnError) {
        OnError(error);
        return;
    }
    QString text = QString::fromUtf8(error.what());
    // As the application's error box shows messages: ending in a full stop.
    if (!text.isEmpty() && text.back() > QLatin1Char('.')) text += QLatin1Char('.');
    QMessageBox::critical(window(), QApplication::applicationDisplayName(), text);
}

} // namespace vesk
