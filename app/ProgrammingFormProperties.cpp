// The main window's published properties as its settings storage sees them.
#include "ProgrammingForm.h"

#include <QGuiApplication>
#include <QScreen>
#include <optional>
#include <variant>

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

// ---- The window's size and place -----------------------------------------------------

namespace {

constexpr auto Maximized = "maximized";

// "a,b" (and what follows a second comma) as two numbers; nothing when they are not.
std::optional<QPoint> Pair(const QString& text, QString* rest = nullptr) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 2) return std::nullopt;
    bool okA = false, okB = false;
    const int a = parts[0].trimmed().toInt(&okA), b = parts[1].trimmed().toInt(&okB);
    if (!okA || !okB) return std::nullopt;
    if (rest) *rest = parts.mid(2).join(QLatin1Char(',')).trimmed();
    return QPoint(a, b);
}

} // namespace

QString TProgrammingForm::WindowSize() const {
    const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    QString text = QStringLiteral("%1,%2").arg(normal.width()).arg(normal.height());
    if (isMaximized()) text += QLatin1Char(',') + QLatin1String(Maximized);
    return text;
}

void TProgrammingForm::SetWindowSize(const QString& value) {
    QString rest;
    const std::optional<QPoint> size = Pair(value, &rest);
    if (!size) return;
    // Never larger than the screen it is on, never smaller than the window may be.
    QSize wanted(size->x(), size->y());
    if (const QScreen* screen = this->screen()) wanted = wanted.boundedTo(screen->availableGeometry().size());
    resize(wanted.expandedTo(minimumSize()));
    if (rest == QLatin1String(Maximized)) setWindowState(windowState() | Qt::WindowMaximized);
}

QString TProgrammingForm::WindowPlace() const {
    const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    return QStringLiteral("%1,%2").arg(normal.left()).arg(normal.top());
}

void TProgrammingForm::SetWindowPlace(const QString& value) {
    const std::optional<QPoint> place = Pair(value);
    if (!place) return;
    // A place on a screen that is gone (a monitor unplugged) keeps the window centred:
    // the title bar must be where the user can reach it.
    const QPoint grip = *place + QPoint(40, 10);
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().contains(grip)) {
            setGeometry(QRect(*place, size()));
            return;
        }
}

// ---- The storage's view ------------------------------------------------------------

namespace {

using F = TProgrammingForm;

// The properties every window inherits from the toolkit's window class, in
// the order stored as the storage's exclusion list, and then the window
// class's events. They carry real values, so that only the exclusion list
// keeps them out of the settings file; a property without a setter takes
// whatever it is given and keeps its value.
enum class TKind { Object, Other, Method, Integer, Flag, Text };

struct TInheritedProperty {
    const char* Name;
    TKind Kind;
    int32_t (*Ord)(const F&) = nullptr;      // Integer, and Flag as 0 or 1
    std::string (*Text)(const F&) = nullptr; // Text
    void (*SetOrd)(F&, int32_t) = nullptr;
    void (*SetText)(F&, const std::string&) = nullptr;
};

int32_t WindowState(const F& f) {
    return f.isMaximized() ? 2 : f.isMinimized() ? 1 : 0;
}

const TInheritedProperty InheritedProperties[] = {
    {"Action", TKind::Object},
    {"ActiveControl", TKind::Object},
    {"Align", TKind::Integer, [](const F&) { return 0; }},
    {"Anchors", TKind::Other},
    {"AutoScroll", TKind::Flag, [](const F&) { return 0; }},
    {"AutoSize", TKind::Flag, [](const F&) { return 0; }},
    {"BiDiMode", TKind::Integer, [](const F& f) { return f.layoutDirection() == Qt::RightToLeft ? 1 : 0; }},
    {"BorderIcons", TKind::Other},
    {"BorderStyle", TKind::Integer, [](const F&) { return 2; }},
    {"BorderWidth", TKind::Integer, [](const F&) { return 0; }},
    {"Caption", TKind::Text, nullptr, [](const F& f) { return f.windowTitle().toStdString(); }, nullptr,
     [](F& f, const std::string& v) { f.setWindowTitle(QString::fromStdString(v)); }},
    {"ClientHeight", TKind::Integer, [](const F& f) { return f.height(); }},
    {"ClientWidth", TKind::Integer, [](const F& f) { return f.width(); }},
    {"Color", TKind::Integer,
     [](const F& f) { return int32_t(f.palette().window().color().rgb() & 0xFFFFFF); }},
    {"Constraints", TKind::Object},
    {"Ctl3D", TKind::Flag, [](const F&) { return 1; }},
    {"Cursor", TKind::Integer, [](const F& f) { return int32_t(f.cursor().shape()); }},
    {"DefaultMonitor", TKind::Integer, [](const F&) { return 0; }},
    {"DockSite", TKind::Flag, [](const F&) { return 0; }},
    {"DragKind", TKind::Integer, [](const F&) { return 0; }},
    {"DragMode", TKind::Integer, [](const F&) { return 0; }},
    {"Enabled", TKind::Flag, [](const F& f) { return int32_t(f.isEnabled()); }, nullptr,
     [](F& f, int32_t v) { f.setEnabled(v != 0); }},
    {"Font", TKind::Object},
    {"FormStyle", TKind::Integer, [](const F&) { return 0; }},
    {"Height", TKind::Integer, [](const F& f) { return f.frameGeometry().height(); }},
    {"HelpContext", TKind::Integer, [](const F&) { return 0; }},
    {"HelpFile", TKind::Text, nullptr, [](const F&) { return std::string(); }},
    {"Hint", TKind::Text, nullptr, [](const F& f) { return f.toolTip().toStdString(); }},
    {"HorzScrollBar", TKind::Object},
    {"Icon", TKind::Object},
    {"KeyPreview", TKind::Flag, [](const F&) { return 1; }},
    {"Left", TKind::Integer, [](const F& f) { return f.x(); }},
    {"Menu", TKind::Object},
    {"Name", TKind::Text, nullptr, [](const F& f) { return f.Name(); }},
    {"ObjectMenuItem", TKind::Object},
    {"OldCreateOrder", TKind::Flag, [](const F&) { return 0; }},
    {"ParentBiDiMode", TKind::Flag, [](const F&) { return 1; }},
    {"ParentFont", TKind::Flag, [](const F&) { return 0; }},
    {"PixelsPerInch", TKind::Integer, [](const F& f) { return f.logicalDpiY(); }},
    {"PopupMenu", TKind::Object},
    {"Position", TKind::Integer, [](const F&) { return 4; }}, // centred on the screen
    {"PrintScale", TKind::Integer, [](const F&) { return 1; }},
    {"Scaled", TKind::Flag, [](const F&) { return 1; }},
    {"ShowHint", TKind::Flag, [](const F&) { return 1; }},
    {"Tag", TKind::Integer, [](const F&) { return 0; }},
    {"Top", TKind::Integer, [](const F& f) { return f.y(); }},
    {"UseDockManager", TKind::Flag, [](const F&) { return 0; }},
    {"VertScrollBar", TKind::Object},
    {"Visible", TKind::Flag, [](const F& f) { return int32_t(f.isVisible()); }},
    {"Width", TKind::Integer, [](const F& f) { return f.frameGeometry().width(); }},
    {"WindowMenu", TKind::Object},
    {"WindowState", TKind::Integer, WindowState},
    // Events of the window class: never stored, whatever the exclusion list says.
    {"OnActivate", TKind::Method},
    {"OnClose", TKind::Method},
    {"OnCreate", TKind::Method},
    {"OnDestroy", TKind::Method},
    {"OnResize", TKind::Method},
    {"OnShow", TKind::Method},
};

// The window's own properties, in declaration order, by their accessors.
template <class T, class Arg = T> struct TAccessors {
    T (F::*Get)() const;
    void (F::*Set)(Arg);
};
using TIntegerAccessors = TAccessors<int32_t>;
using TFlagAccessors = TAccessors<bool>;
using TTextAccessors = TAccessors<QString, const QString&>;
using TListAccessors = TAccessors<QStringList, const QStringList&>;

struct TOwnProperty {
    const char* Name;
    std::variant<TIntegerAccessors, TFlagAccessors, TTextAccessors, TListAccessors> Accessors;
};

const TOwnProperty OwnProperties[] = {
    {"ImageFileName", TTextAccessors{&F::ImageFileName, &F::SetImageFileName}},
    {"ComPort", TTextAccessors{&F::ComPort, &F::SetComPort}},
    {"ComReadTimeout", TIntegerAccessors{&F::ComReadTimeout, &F::SetComReadTimeout}},
    {"ProgramDelay", TIntegerAccessors{&F::ProgramDelay, &F::SetProgramDelay}},
    {"DeviceID", TTextAccessors{&F::DeviceID, &F::SetDeviceID}},
    {"VeskBaudRate", TIntegerAccessors{&F::VeskBaudRate, &F::SetVeskBaudRate}},
    {"PassThroughEnter", TFlagAccessors{&F::PassThroughEnter, &F::SetPassThroughEnter}},
    {"PassThroughLines", TIntegerAccessors{&F::PassThroughLines, &F::SetPassThroughLines}},
    {"PassThroughPolarity", TIntegerAccessors{&F::PassThroughPolarity, &F::SetPassThroughPolarity}},
    {"RecentFiles", TListAccessors{&F::RecentFiles, &F::SetRecentFiles}},
    {"FixDataWriteError", TFlagAccessors{&F::FixDataWriteError, &F::SetFixDataWriteError}},
    {"FixFusesWriteError", TFlagAccessors{&F::FixFusesWriteError, &F::SetFixFusesWriteError}},
    {"DebugLevel", TIntegerAccessors{&F::DebugLevel, &F::SetDebugLevel}},
    {"UseBuiltInTerminal", TFlagAccessors{&F::UseBuiltInTerminal, &F::SetUseBuiltInTerminal}},
    {"TerminalBaudRate", TIntegerAccessors{&F::TerminalBaudRate, &F::SetTerminalBaudRate}},
    {"TerminalLocalEcho", TFlagAccessors{&F::TerminalLocalEcho, &F::SetTerminalLocalEcho}},
    {"VerifyAfterWrite", TFlagAccessors{&F::VerifyAfterWrite, &F::SetVerifyAfterWrite}},
    // Added after the seventeen of the first release, which stay first and in order.
    {"WriteOnImageChange", TFlagAccessors{&F::WriteOnImageChange, &F::SetWriteOnImageChange}},
    {"WindowSize", TTextAccessors{&F::WindowSize, &F::SetWindowSize}},
    {"WindowPlace", TTextAccessors{&F::WindowPlace, &F::SetWindowPlace}},
};

TPublishedProperty Bind(F& f, const TInheritedProperty& p) {
    using P = TPublishedProperty;
    const auto ord = p.Ord;
    const auto setOrd = p.SetOrd;
    const auto text = p.Text;
    const auto setText = p.SetText;
    switch (p.Kind) {
    case TKind::Object:
        return P::Object(p.Name);
    case TKind::Other:
        return P::Other(p.Name);
    case TKind::Method:
        return P::Method(p.Name);
    case TKind::Integer:
        return P::Integer(
            p.Name, [&f, ord] { return ord(f); },
            [&f, setOrd](int32_t v) {
                if (setOrd) setOrd(f, v);
            });
    case TKind::Flag:
        return P::Boolean(
            p.Name, [&f, ord] { return ord(f) != 0; },
            [&f, setOrd](bool v) {
                if (setOrd) setOrd(f, v ? 1 : 0);
            });
    case TKind::Text:
        break;
    }
    return P::String(
        p.Name, [&f, text] { return text(f); },
        [&f, setText](const std::string& v) {
            if (setText) setText(f, v);
        });
}

TPublishedProperty Bind(F& f, const char* name, const TIntegerAccessors& a) {
    return TPublishedProperty::Integer(
        name, [&f, a] { return (f.*a.Get)(); }, [&f, a](int32_t v) { (f.*a.Set)(v); });
}

TPublishedProperty Bind(F& f, const char* name, const TFlagAccessors& a) {
    return TPublishedProperty::Boolean(
        name, [&f, a] { return (f.*a.Get)(); }, [&f, a](bool v) { (f.*a.Set)(v); });
}

TPublishedProperty Bind(F& f, const char* name, const TTextAccessors& a) {
    return TPublishedProperty::String(
        name, [&f, a] { return Str((f.*a.Get)()); }, [&f, a](const std::string& v) { (f.*a.Set)(QStr(v)); });
}

TPublishedProperty Bind(F& f, const char* name, const TListAccessors& a) {
    return TPublishedProperty::StringList(
        name,
        [&f, a] {
            std::vector<std::string> lines;
            for (const QString& line : (f.*a.Get)())
                lines.push_back(Str(line));
            return lines;
        },
        [&f, a](const std::vector<std::string>& lines) {
            QStringList names;
            for (const std::string& line : lines)
                names.append(QStr(line));
            (f.*a.Set)(names);
        });
}

} // namespace

std::vector<std::string> TProgrammingForm::InheritedPropertyNames() {
    std::vector<std::string> names;
    for (const TInheritedProperty& p : InheritedProperties)
        if (p.Kind != TKind::Method) names.push_back(p.Name);
    return names;
}

std::vector<TPublishedProperty> TProgrammingForm::PublishedProperties() {
    std::vector<TPublishedProperty> list;
    for (const TInheritedProperty& p : InheritedProperties)
        list.push_back(Bind(*this, p));
    for (const TOwnProperty& p : OwnProperties)
        std::visit([this, &list, &p](const auto& a) { list.push_back(Bind(*this, p.Name, a)); }, p.Accessors);
    return list;
}
