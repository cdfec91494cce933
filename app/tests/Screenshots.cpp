// Saves a picture of each page of the main window, as a newcomer sees it with
// the simulated programmer attached: docs/screenshots/<n>-<page>.png.
//
//   xvfb-run -a build/bin/WinVESK-screenshots docs/screenshots
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <memory>

#include "ProgrammingForm.h"
#include "RecordingDialogs.h"
#include "chipdef/ChipDefinition.h"
#include "chipdef/ChipDefinitions.h"
#include "driver/DeviceVESK1.h"
#include "sim/Simulator.h"

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
    vesk::sim::TSimulator simulator(chip);
    simulator.Start();

    QFile ini(program.filePath(QStringLiteral("WinVESK.ini")));
    if (!ini.open(QIODevice::WriteOnly)) return 1;
    const QString port = QString::fromStdString(simulator.SlavePath());
    ini.write(QStringLiteral("[DIRUD]\nImageFileName=/home/user/projects/blink/blink.hex\nComPort=%1\n"
                             "RecentFiles=3\nRecentFiles000=/home/user/projects/blink/blink.hex\n"
                             "RecentFiles001=/home/user/projects/uart/echo.hex\n"
                             "RecentFiles002=/home/user/projects/adc/meter.hex\n")
                  .arg(port)
                  .toUtf8());
    ini.close();

    int result = 0;
    {
        TRecordingDialogs dialogs;
        vesk::TDeviceVESK1 device;
        TProgrammingForm form(device, program.path(), &dialogs);
        form.show();
        const auto& c = form.Controls();
        (void)QTest::qWaitFor([&] { return !form.DeviceDescription().isEmpty() || !dialogs.Log.isEmpty(); },
                              10000);
        QTest::qWait(200);
        const char* names[] = {"1-main", "2-buffer", "3-terminal", "4-settings", "5-about"};
        for (int page = 0; page < 5; ++page) {
            c.TabControl1->setCurrentIndex(page);
            QTest::qWait(300);
            const QString file =
                output + QLatin1Char('/') + QString::fromLatin1(names[page]) + QStringLiteral(".png");
            if (!form.grab().save(file)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                result = 1;
            }
        }
        c.TabControl1->setCurrentIndex(0);
        for (const auto& shown : dialogs.Log)
            std::fprintf(stderr, "%s: %s\n", qPrintable(shown.Kind), qPrintable(shown.Message));
    }
    simulator.Stop();
    return result;
}
