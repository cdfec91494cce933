// The main window's published properties as its settings storage sees them.
#include "ProgrammingForm.h"

#include <QGuiApplication>
#include <QScreen>
#include <optional>
#include <stdexcept>
#include <variant>

#include "TerminalPage.h"
#include "driver/DeviceVESK1.h"
#include "storage/SettingsTable.h"
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
using vesk::TSettingId;
using vesk::TSettingType;

// The window's accessors of each setting of the table (storage/SettingsTable.h).
template <class T, class Arg = T> struct TAccessors {
    T (F::*Get)() const;
    void (F::*Set)(Arg);
};
using TIntegerAccessors = TAccessors<int32_t>;
using TFlagAccessors = TAccessors<bool>;
using TTextAccessors = TAccessors<QString, const QString&>;
using TListAccessors = TAccessors<QStringList, const QStringList&>;

struct TOwnProperty {
    TSettingId Id;
    std::variant<TIntegerAccessors, TFlagAccessors, TTextAccessors, TListAccessors> Accessors;
};

const TOwnProperty OwnProperties[] = {
    {TSettingId::ImageFileName, TTextAccessors{&F::ImageFileName, &F::SetImageFileName}},
    {TSettingId::ComPort, TTextAccessors{&F::ComPort, &F::SetComPort}},
    {TSettingId::ComReadTimeout, TIntegerAccessors{&F::ComReadTimeout, &F::SetComReadTimeout}},
    {TSettingId::ProgramDelay, TIntegerAccessors{&F::ProgramDelay, &F::SetProgramDelay}},
    {TSettingId::DeviceID, TTextAccessors{&F::DeviceID, &F::SetDeviceID}},
    {TSettingId::VeskBaudRate, TIntegerAccessors{&F::VeskBaudRate, &F::SetVeskBaudRate}},
    {TSettingId::PassThroughEnter, TFlagAccessors{&F::PassThroughEnter, &F::SetPassThroughEnter}},
    {TSettingId::PassThroughLines, TIntegerAccessors{&F::PassThroughLines, &F::SetPassThroughLines}},
    {TSettingId::PassThroughPolarity, TIntegerAccessors{&F::PassThroughPolarity, &F::SetPassThroughPolarity}},
    {TSettingId::RecentFiles, TListAccessors{&F::RecentFiles, &F::SetRecentFiles}},
    {TSettingId::FixDataWriteError, TFlagAccessors{&F::FixDataWriteError, &F::SetFixDataWriteError}},
    {TSettingId::FixFusesWriteError, TFlagAccessors{&F::FixFusesWriteError, &F::SetFixFusesWriteError}},
    {TSettingId::DebugLevel, TIntegerAccessors{&F::DebugLevel, &F::SetDebugLevel}},
    {TSettingId::UseBuiltInTerminal, TFlagAccessors{&F::UseBuiltInTerminal, &F::SetUseBuiltInTerminal}},
    {TSettingId::TerminalBaudRate, TIntegerAccessors{&F::TerminalBaudRate, &F::SetTerminalBaudRate}},
    {TSettingId::TerminalLocalEcho, TFlagAccessors{&F::TerminalLocalEcho, &F::SetTerminalLocalEcho}},
    {TSettingId::VerifyAfterWrite, TFlagAccessors{&F::VerifyAfterWrite, &F::SetVerifyAfterWrite}},
    {TSettingId::WriteOnImageChange, TFlagAccessors{&F::WriteOnImageChange, &F::SetWriteOnImageChange}},
    {TSettingId::WindowSize, TTextAccessors{&F::WindowSize, &F::SetWindowSize}},
    {TSettingId::WindowPlace, TTextAccessors{&F::WindowPlace, &F::SetWindowPlace}},
};

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

// The table's type of the values each kind of accessor takes.
constexpr TSettingType TypeOf(const TIntegerAccessors&) {
    return TSettingType::Integer;
}
constexpr TSettingType TypeOf(const TFlagAccessors&) {
    return TSettingType::Flag;
}
constexpr TSettingType TypeOf(const TTextAccessors&) {
    return TSettingType::Text;
}
constexpr TSettingType TypeOf(const TListAccessors&) {
    return TSettingType::TextList;
}

const TOwnProperty& Accessors(TSettingId id) {
    for (const TOwnProperty& p : OwnProperties)
        if (p.Id == id) return p;
    throw std::logic_error("the window has no property for a setting");
}

} // namespace

std::vector<TPublishedProperty> TProgrammingForm::PublishedProperties() {
    std::vector<TPublishedProperty> list;
    for (const vesk::TSetting& setting : vesk::SettingsTable)
        std::visit(
            [this, &list, &setting](const auto& a) {
                if (TypeOf(a) != setting.Type) throw std::logic_error("a window property of another type");
                list.push_back(Bind(*this, setting.Name, a));
            },
            Accessors(setting.Id).Accessors);
    return list;
}
