// `TComTerminalNotifier`: tells the terminal control, on its own (GUI) thread, that
// received bytes may wait at the attached open port. The control then calls the
// port's ProcessReceived, which reads what waits and does nothing when nothing does.
//
// One implementation per platform, chosen by the build:
//  * ComTerminalNotifier_posix.cpp: a QSocketNotifier on the port's file descriptor;
//    the event loop wakes when the descriptor becomes readable.
//  * ComTerminalNotifier_win.cpp: the event loop cannot watch a communications
//    handle (QSocketNotifier takes sockets only, and the port starts no thread that
//    could signal an event object), so a timer calls every few milliseconds.
//
// A notifier serves one open of the port: the handle changes with every open, so
// the control makes a new one after each open and stops the old one on a close.
#pragma once

#include "serial/port/ComPort.h"

#include <QObject>

#include <functional>

namespace vesk {

class TComTerminalNotifier : public QObject {
  public:
    // A notifier for the open `port`, a child of `parent`, that calls `received`
    // whenever bytes may wait; nullptr when the port has nothing to watch.
    static TComTerminalNotifier* Create(TComPort& port, std::function<void()> received, QObject* parent);

    // Stops the calls at once. Safe inside a call of `received` (a close while
    // receiving): the owner deletes the notifier later, not there.
    virtual void Stop() = 0;

    // Raises EComPort (ErrQueueStatus) when the line of the open `port` has hung up although
    // reading did not report it. A hung-up line may stay "readable" for ever, and
    // the notifier would then wake the control again and again.
    static void CheckLine(TComPort& port);

    // The OS error number reported with a write the line did not take in time.
    static int WriteTimedOutError();

  protected:
    using QObject::QObject;
};

} // namespace vesk
