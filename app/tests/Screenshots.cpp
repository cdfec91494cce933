// Saves a picture of each page of the main window, as a newcomer sees it with
// the simulated programmer attached: docs/screenshots/<n>-<page>.png. The Main
// page is taken in the middle of a Write, the Terminal page after it with the
// simulated target talking through the programmer, the Buffer page after a Read.
//
//   xvfb-run -a build/bin/WinVESK-screenshots docs/screenshots
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
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
#include "chipdef/ChipDefinitions.h"
#include "driver/DeviceVESK1.h"
#include "sim/PtySimulator.h"
#include "termview/ComTerminal.h"
#include "tests/support/HexText.h"

namespace {

// An Intel HEX image of a small program: a table of RETLW instructions returning
// the characters of a greeting, padded with code-like words.
QByteArray DemoImage() {
    const QByteArray text = "Hello from the VESK demo target! ";
    std::vector<int32_t> words;
    for (int i = 0; i < 768; ++i)
        words.push_back(i < 16 * text.size() ? 0x3400 | uchar(text[i % text.size()]) : 0x2000 | (i & 0x7FF));
    return QByteArray::fromStdString(vesk::test::HexWords(0, words) + vesk::test::HexEndRecord());
}

bool Save(QWidget& window, const QString& output, const char* name) {
    const QString file = output + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png");
    if (window.grab().save(file)) return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    return false;
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
    options.TargetEcho = true;
    options.TargetBanner = "VESK demo target ready - type and it answers in capitals";
    vesk::sim::TPtySimulator simulator(chip, options);
    simulator.Start();

    const QString image = program.filePath(QStringLiteral("blink.hex"));
    QFile hex(image);
    if (!hex.open(QIODevice::WriteOnly)) return 1;
    hex.write(DemoImage());
    hex.close();

    QFile ini(program.filePath(QStringLiteral("WinVESK.ini")));
    if (!ini.open(QIODevice::WriteOnly)) return 1;
    const QString port = QString::fromStdString(simulator.SlavePath());
    ini.write(QStringLiteral("[DIRUD]\nImageFileName=%2\nComPort=%1\nUseBuiltInTerminal=1\n"
                             "VerifyAfterWrite=1\nRecentFiles=3\nRecentFiles000=%2\n"
                             "RecentFiles001=/home/user/projects/uart/echo.hex\n"
                             "RecentFiles002=/home/user/projects/adc/meter.hex\n")
                  .arg(port, image)
                  .toUtf8());
    ini.close();

    int result = 0;
    {
        TRecordingDialogs dialogs;
        vesk::TDeviceVESK1 device;
        TProgrammingForm form(device, program.path(), &dialogs);
        form.show();
        (void)QTest::qWaitFor([&] { return !form.DeviceDescription().isEmpty() || !dialogs.Log.isEmpty(); },
                              10000);
        QTest::qWait(200);

        // The Main page in the middle of the write, taken from the progress bar.
        bool mainTaken = false;
        QObject::connect(form.MainPage().ProgressBar1, &QProgressBar::valueChanged, &form, [&](int value) {
            if (mainTaken || value < 40) return;
            mainTaken = true;
            if (!Save(form, output, "1-main")) result = 1;
        });
        form.ProgramTarget(vesk::AllRegions);
        if (!mainTaken) result = 1;

        // The write ends on the Terminal page in pass-through: the target's banner,
        // then a line typed to it and its answer.
        auto screen = [&form] {
            std::string text;
            for (int row = 1; row <= form.TerminalPage().ComTerminal1->Rows(); ++row)
                text += form.TerminalPage().ComTerminal1->Model().RowText(row) + "\n";
            return text;
        };
        (void)QTest::qWaitFor([&] { return screen().find("ready") != std::string::npos; }, 10000);
        QTest::keyClicks(form.TerminalPage().ComTerminal1, QStringLiteral("hello target"));
        QTest::keyClick(form.TerminalPage().ComTerminal1, Qt::Key_Return);
        (void)QTest::qWaitFor([&] { return screen().find("HELLO TARGET") != std::string::npos; }, 10000);
        QTest::qWait(300);
        if (!Save(form, output, "3-terminal")) result = 1;

        // Read back, then the Buffer page.
        form.TabControl1()->setCurrentIndex(pgMain);
        form.ReadTarget(vesk::AllRegions);
        // Wide enough for the character column.
        const QSize size = form.size();
        form.resize(700, size.height());
        form.TabControl1()->setCurrentIndex(pgBuffer);
        QTest::qWait(300);
        if (!Save(form, output, "2-buffer")) result = 1;
        form.resize(size);

        form.TabControl1()->setCurrentIndex(pgSettings);
        QTest::qWait(300);
        if (!Save(form, output, "4-settings")) result = 1;
        form.TabControl1()->setCurrentIndex(pgAbout);
        QTest::qWait(300);
        if (!Save(form, output, "5-about")) result = 1;
        form.TabControl1()->setCurrentIndex(pgMain);
        for (const auto& shown : dialogs.Log)
            std::fprintf(stderr, "%s: %s\n", qPrintable(shown.Kind), qPrintable(shown.Message));
    }
    simulator.Stop();
    return result;
}
