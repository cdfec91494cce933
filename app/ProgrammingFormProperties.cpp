// The main window's published properties as its settings storage sees them.
#include "ProgrammingForm.h"

#include <QApplication>
#include <QScreen>

#include "TerminalPage.h"
#include "driver/DeviceVESK1.h"
#include "termview/ComTerminal.h"

using vesk::TPublishedProperty;

namespace {

std::string Str(const QString& s) {
    return s.toStdString();
}
QString QStr(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

// ---- Properties forwarded to the driver -------------------------------------------

QString TProgrammingForm::ComPort() const {
    return QStr(FDevice.ComPort());
}
void TProgrammingForm::SetComPort(const QString& value) {
    FDevice.SetComPort(Str(value));
}
int32_t TProgrammingForm::ComReadTimeout() const {
    return FDevice.ComReadTimeout();
}
void TProgrammingForm::SetComReadTimeout(int32_t value) {
    FDevice.SetComReadTimeout(value);
}
int32_t TProgrammingForm::ProgramDelay() const {
    return FDevice.ProgramDelay();
}
void TProgrammingForm::SetProgramDelay(int32_t value) {
    FDevice.SetProgramDelay(value);
}
QString TProgrammingForm::DeviceID() const {
    return QStr(FDevice.DeviceID());
}
void TProgrammingForm::SetDeviceID(const QString& value) {
    FDevice.SetDeviceID(Str(value));
}
bool TProgrammingForm::FixDataWriteError() const {
    return FDevice.FixDataWriteError();
}
void TProgrammingForm::SetFixDataWriteError(bool value) {
    FDevice.SetFixDataWriteError(value);
}
bool TProgrammingForm::TerminalLocalEcho() const {
    return FTerminalPage->ComTerminal1->LocalEcho();
}

void TProgrammingForm::SetTerminalLocalEcho(bool value) {
    FTerminalPage->ComTerminal1->SetLocalEcho(value);
}

bool TProgrammingForm::FixFusesWriteError() const {
    return FDevice.FixFusesWriteError();
}
void TProgrammingForm::SetFixFusesWriteError(bool value) {
    FDevice.SetFixFusesWriteError(value);
}

// ---- The storage's view ------------------------------------------------------------

std::vector<std::string> TProgrammingForm::InheritedPropertyNames() {
    return {
        "Action",         "ActiveControl", "Align",         "Anchors",     "AutoScroll",     "AutoSize",
        "BiDiMode",       "BorderIcons",   "BorderStyle",   "BorderWidth", "Caption",        "ClientHeight",
        "ClientWidth",    "Color",         "Constraints",   "Ctl3D",       "Cursor",         "DefaultMonitor",
        "DockSite",       "DragKind",      "DragMode",      "Enabled",     "Font",           "FormStyle",
        "Height",         "HelpContext",   "HelpFile",      "Hint",        "HorzScrollBar",  "Icon",
        "KeyPreview",     "Left",          "Menu",          "Name",        "ObjectMenuItem", "OldCreateOrder",
        "ParentBiDiMode", "ParentFont",    "PixelsPerInch", "PopupMenu",   "Position",       "PrintScale",
        "Scaled",         "ShowHint",      "Tag",           "Top",         "UseDockManager", "VertScrollBar",
        "Visible",        "Width",         "WindowMenu",    "WindowState"};
}

std::vector<TPublishedProperty> TProgrammingForm::PublishedProperties() {
    using P = TPublishedProperty;
    std::vector<P> list;

    // Inherited from the window class. They carry real values, so that only the
    // exclusion list keeps them out of the settings file.
    auto ord = [&list](const char* name, std::function<int32_t()> get, std::function<void(int32_t)> set) {
        list.push_back(P::Integer(name, std::move(get), std::move(set)));
    };
    auto flag = [&list](const char* name, std::function<bool()> get, std::function<void(bool)> set) {
        list.push_back(P::Boolean(name, std::move(get), std::move(set)));
    };
    auto text = [&list](const char* name, std::function<std::string()> get,
                        std::function<void(const std::string&)> set) {
        list.push_back(P::String(name, std::move(get), std::move(set)));
    };
    auto object = [&list](const char* name) { list.push_back(P::Object(name)); };
    auto other = [&list](const char* name) { list.push_back(P::Other(name)); };
    auto none = [](auto) {};

    object("Action");
    object("ActiveControl");
    ord(
        "Align", [] { return 0; }, none);
    other("Anchors");
    flag(
        "AutoScroll", [] { return false; }, none);
    flag(
        "AutoSize", [] { return false; }, none);
    ord(
        "BiDiMode", [this] { return layoutDirection() == Qt::RightToLeft ? 1 : 0; }, none);
    other("BorderIcons");
    ord(
        "BorderStyle", [] { return 2; }, none);
    ord(
        "BorderWidth", [] { return 0; }, none);
    text(
        "Caption", [this] { return Str(windowTitle()); },
        [this](const std::string& v) { setWindowTitle(QStr(v)); });
    ord(
        "ClientHeight", [this] { return height(); }, none);
    ord(
        "ClientWidth", [this] { return width(); }, none);
    ord(
        "Color", [this] { return int32_t(palette().window().color().rgb() & 0xFFFFFF); }, none);
    object("Constraints");
    flag(
        "Ctl3D", [] { return true; }, none);
    ord(
        "Cursor", [this] { return int32_t(cursor().shape()); }, none);
    ord(
        "DefaultMonitor", [] { return 0; }, none);
    flag(
        "DockSite", [] { return false; }, none);
    ord(
        "DragKind", [] { return 0; }, none);
    ord(
        "DragMode", [] { return 0; }, none);
    flag(
        "Enabled", [this] { return isEnabled(); }, [this](bool v) { setEnabled(v); });
    object("Font");
    ord(
        "FormStyle", [] { return 0; }, none);
    ord(
        "Height", [this] { return frameGeometry().height(); }, none);
    ord(
        "HelpContext", [] { return 0; }, none);
    text(
        "HelpFile", [] { return std::string(); }, none);
    text(
        "Hint", [this] { return Str(toolTip()); }, none);
    object("HorzScrollBar");
    object("Icon");
    flag(
        "KeyPreview", [] { return true; }, none);
    ord(
        "Left", [this] { return x(); }, none);
    object("Menu");
    text(
        "Name", [this] { return Name(); }, none);
    object("ObjectMenuItem");
    flag(
        "OldCreateOrder", [] { return false; }, none);
    flag(
        "ParentBiDiMode", [] { return true; }, none);
    flag(
        "ParentFont", [] { return false; }, none);
    ord(
        "PixelsPerInch", [this] { return logicalDpiY(); }, none);
    object("PopupMenu");
    ord(
        "Position", [] { return 4; }, none); // centred on the screen
    ord(
        "PrintScale", [] { return 1; }, none);
    flag(
        "Scaled", [] { return true; }, none);
    flag(
        "ShowHint", [] { return true; }, none);
    ord(
        "Tag", [] { return 0; }, none);
    ord(
        "Top", [this] { return y(); }, none);
    flag(
        "UseDockManager", [] { return false; }, none);
    object("VertScrollBar");
    flag(
        "Visible", [this] { return isVisible(); }, none);
    ord(
        "Width", [this] { return frameGeometry().width(); }, none);
    object("WindowMenu");
    ord(
        "WindowState", [this] { return isMaximized()   ? 2
                                       : isMinimized() ? 1
                                                       : 0; }, none);
    // Events of the window class: never stored, whatever the exclusion list says.
    for (const char* event : {"OnActivate", "OnClose", "OnCreate", "OnDestroy", "OnResize", "OnShow"})
        list.push_back(P::Method(event));

    // The window's own, in declaration order.
    text(
        "ImageFileName", [this] { return Str(FImageFileName); },
        [this](const std::string& v) { SetImageFileName(QStr(v)); });
    text(
        "ComPort", [this] { return Str(ComPort()); }, [this](const std::string& v) { SetComPort(QStr(v)); });
    ord(
        "ComReadTimeout", [this] { return ComReadTimeout(); }, [this](int32_t v) { SetComReadTimeout(v); });
    ord(
        "ProgramDelay", [this] { return ProgramDelay(); }, [this](int32_t v) { SetProgramDelay(v); });
    text(
        "DeviceID", [this] { return Str(DeviceID()); },
        [this](const std::string& v) { SetDeviceID(QStr(v)); });
    ord(
        "VeskBaudRate", [this] { return FVeskBaudRate; }, [this](int32_t v) { SetVeskBaudRate(v); });
    flag(
        "PassThroughEnter", [this] { return FPassThroughEnter; }, [this](bool v) { SetPassThroughEnter(v); });
    ord(
        "PassThroughLines", [this] { return FPassThroughLines; },
        [this](int32_t v) { SetPassThroughLines(v); });
    ord(
        "PassThroughPolarity", [this] { return FPassThroughPolarity; },
        [this](int32_t v) { SetPassThroughPolarity(v); });
    list.push_back(P::StringList(
        "RecentFiles",
        [this] {
            std::vector<std::string> lines;
            for (const QString& name : FRecentFiles)
                lines.push_back(Str(name));
            return lines;
        },
        [this](const std::vector<std::string>& lines) {
            QStringList names;
            for (const std::string& line : lines)
                names.append(QStr(line));
            SetRecentFiles(names);
        }));
    flag(
        "FixDataWriteError", [this] { return FixDataWriteError(); },
        [this](bool v) { SetFixDataWriteError(v); });
    flag(
        "FixFusesWriteError", [this] { return FixFusesWriteError(); },
        [this](bool v) { SetFixFusesWriteError(v); });
    ord(
        "DebugLevel", [this] { return FDebugLevel; }, [this](int32_t v) { SetDebugLevel(v); });
    flag(
        "UseBuiltInTerminal", [this] { return FUseBuiltInTerminal; },
        [this](bool v) { SetUseBuiltInTerminal(v); });
    ord(
        "TerminalBaudRate", [this] { return FTerminalBaudRate; },
        [this](int32_t v) { SetTerminalBaudRate(v); });
    flag(
        "TerminalLocalEcho", [this] { return TerminalLocalEcho(); },
        [this](bool v) { SetTerminalLocalEcho(v); });
    flag(
        "VerifyAfterWrite", [this] { return FVerifyAfterWrite; }, [this](bool v) { SetVerifyAfterWrite(v); });
    return list;
}
