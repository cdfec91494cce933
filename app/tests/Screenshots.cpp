// Saves a picture of each page of the main window, as a newcomer sees it with
// the simulated programmer attached, at the window's first size and at 1280 x 800:
// docs/screenshots/<n>-<page>.png and <n>-<page>-large.png. The Main page is taken in
// the middle of a Write, the Terminal page after it with the simulated target talking
// through the programmer, the Buffer page after a Read. The image is the example
// program examples/echo as the build assembled it, with the image watch on.
//
// Under an X server with a window manager the pictures show the window as the desktop
// draws it, frame included:
//
//   shoot='openbox & sleep 1; build/bin/WinVESK-screenshots docs/screenshots'
//   xvfb-run -a -s "-screen 0 1600x1000x24" sh -c "$shoot"
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <memory>
#include <vector>

#include "AboutPage.h"
#include "BufferPage.h"
#include "MainPage.h"
#include "ProgrammingForm.h"
#include "RecordingDialogs.h"
#include "SettingsPage.h"
#include "TerminalPage.h"
#include "chipdef/ChipDefinition.h"
#include "driver/DeviceVESK1.h"
#include "sim/PtySimulator.h"
#include "termview/ComTerminal.h"
#include "tests/support/HexText.h"

namespace {

// An Intel HEX image of a small program, for a build without gpasm: a table of RETLW
// instructions returning the characters of a greeting, padded with code-like words.
QByteArray DemoImage() {
    const QByteArray text = "Hello from the VESK demo target! ";
    std::vector<int32_t> words;
    for (int i = 0; i < 768; ++i)
        words.push_back(i < 16 * text.size() ? 0x3400 | uchar(text[i % text.size()]) : 0x2000 | (i & 0x7FF));
    return QByteArray::fromStdString(vesk::test::HexWords(0, words) + vesk::test::HexEndRecord());
}

// The window as the desktop shows it: with its frame where a window manager draws one.
QPixmap Picture(QWidget& window) {
    QTest::qWait(300); // let the window manager and the painting catch up
    QScreen* screen = window.screen();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !screen) return window.grab();
    const QRect frame = window.frameGeometry();
    return screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
}

bool Save(QWidget& window, const QString& file) {
    if (Picture(window).save(file)) return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    return false;
}

struct TShots {
    TProgrammingForm& Form;
    QString Output;
    QString Suffix; // "" or "-large"
    bool Ok = true;

    void Take(const char* name) { Ok = Save(Form, Output + QLatin1Char('/') + name + Suffix + ".png") && Ok; }
    void Page(int page, const char* name) {
        Form.TabControl1()->setCurrentIndex(page);
        Take(name);
    }
};

std::string ScreenText(vesk::TComTerminal& terminal) {
    std::string text;
    for (int row = 1; row <= terminal.Rows(); ++row)
        text += terminal.Model().RowText(row) + "\n";
    return text;
}

// Every page at the window's present size.
void TakeEveryPage(TShots& shots) {
    TProgrammingForm& form = shots.Form;
    // The Main page in the middle of the write, taken from the progress bar.
    bool mainTaken = false;
    const auto connection =
        QObject::connect(form.MainPage().ProgressBar1, &QProgressBar::valueChanged, &form, [&](int value) {
            if (mainTaken || value < 40) return;
            mainTaken = true;
            // The box that took the focus from the disabled tab strip, without its text marked.
            form.MainPage().cbxImageFile->lineEdit()->deselect();
            shots.Take("1-main");
        });
    form.TabControl1()->setCurrentIndex(pgMain);
    form.ProgramTarget(vesk::AllRegions);
    QObject::disconnect(connection);
    shots.Ok = shots.Ok && mainTaken;

    // The write ends on the Terminal page in pass-through: the target's banner, then a
    // line typed to it and its answer.
    vesk::TComTerminal& terminal = *form.TerminalPage().ComTerminal1;
    (void)QTest::qWaitFor([&] { return ScreenText(terminal).find("ready") != std::string::npos; }, 10000);
    QTest::keyClicks(&terminal, QStringLiteral("hello target"));
    QTest::keyClick(&terminal, Qt::Key_Return);
    (void)QTest::qWaitFor([&] { return ScreenText(terminal).find("HELLO TARGET") != std::string::npos; },
                          10000);
    shots.Take("3-terminal");

    form.TabControl1()->setCurrentIndex(pgMain);
    form.ReadTarget(vesk::AllRegions);
    shots.Page(pgBuffer, "2-buffer");
    shots.Page(pgSettings, "4-settings");
    shots.Page(pgAbout, "5-about");
    form.TabControl1()->setCurrentIndex(pgMain);
}

// The example program as the build assembled it, beside this program; else a made-up one.
QString ImageIn(const QTemporaryDir& program) {
    const QString example = QCoreApplication::applicationDirPath() + QStringLiteral("/examples/echo.hex");
    const QString image = program.filePath(QStringLiteral("echo.hex"));
    if (QFile::copy(example, image)) return image;
    QFile hex(image);
    if (hex.open(QIODevice::WriteOnly)) hex.write(DemoImage());
    return image;
}

void WriteSettings(const QTemporaryDir& program, const QString& port, const QString& image) {
    QFile ini(program.filePath(QStringLiteral("WinVESK.ini")));
    if (!ini.open(QIODevice::WriteOnly)) return;
    ini.write(QStringLiteral("[DIRUD]\nImageFileName=%2\nComPort=%1\nUseBuiltInTerminal=1\n"
                             "VerifyAfterWrite=1\nRecentFiles=3\nRecentFiles000=%2\n"
                             "RecentFiles001=/home/user/projects/uart/echo.hex\n"
                             "RecentFiles002=/home/user/projects/adc/meter.hex\nWriteOnImageChange=1\n")
                  .arg(port, image)
                  .toUtf8());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: WinVESK-screenshots <output folder>\n");
        return 2;
    }
    const QString output = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(output);
    const QString chips = QStringLiteral(VESK_SOURCE_DIR "/chips");

    QTemporaryDir program;
    for (const QString& name : QDir(chips).entryList({QStringLiteral("ChipDef_*.ini")}))
        QFile::copy(chips + QLatin1Char('/') + name, program.filePath(name));

    vesk::TChipDefinition chip;
    chip.LoadFromFile((chips + QStringLiteral("/ChipDef_PIC16F628A.ini")).toStdString());
    vesk::sim::TOptions options;
    options.TargetEcho = true; // answers as the example program does
    vesk::sim::TPtySimulator simulator(chip, options);
    simulator.Start();
    WriteSettings(program, QString::fromStdString(simulator.SlavePath()), ImageIn(program));

    bool ok = true;
    {
        TRecordingDialogs dialogs;
        vesk::TDeviceVESK1 device;
        TProgrammingForm form(device, program.path(), &dialogs);
        form.show();
        (void)QTest::qWaitFor([&] { return !form.DeviceDescription().isEmpty() || !dialogs.Log.isEmpty(); },
                              10000);
        for (const QSize size : {form.minimumSize(), QSize(1280, 800)}) {
            form.resize(size);
            TShots shots{form, output, size == form.minimumSize() ? QString() : QStringLiteral("-large")};
            TakeEveryPage(shots);
            ok = ok && shots.Ok;
        }
        for (const auto& shown : dialogs.Log)
            std::fprintf(stderr, "%s: %s\n", qPrintable(shown.Kind), qPrintable(shown.Message));
    }
    simulator.Stop();
    return ok ? 0 : 1;
}
