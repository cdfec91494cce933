// Start-up with every shipped chip definition.
//
//  1. The time to load all the shipped "ChipDef_*.ini" files, as `vesk` does for each
//     command and the window at start (median of several loads).
//  2. The window's time from construction to its first paint with all the shipped
//     chips in its folder against 8 of them, measured alternately in one run (medians).
//  3. The heap the window holds once painted, with all chips and with 8 (glibc's bytes
//     in use after minus before), and of that the chip definitions alone.
//
// Each window gets a folder of its own with the chip files copied into it, no ports and
// no user chip folder. Usage: startup_bench [rounds] (default 5). Runs offscreen unless
// QT_QPA_PLATFORM says otherwise.
#include "ProgrammingForm.h"

#include "chipdef/ChipDefinitions.h"
#include "driver/DeviceVESK1.h"
#include "tests/support/TempFolder.h"

#include <QApplication>
#include <QEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <memory>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;
using vesk::test::TTempFolder;
namespace fs = std::filesystem;

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

size_t HeapInUse() {
    return mallinfo2().uordblks;
}

// Stops the event loop at the first paint of the watched window.
class TFirstPaint : public QObject {
  public:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint && !Painted) {
            Painted = true;
            At = Clock::now();
            // Once this paint has reached the screen: a window closed in the middle of
            // it would be flushed without a surface.
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return QObject::eventFilter(object, event);
    }
    bool Painted = false;
    Clock::time_point At;
};

// A program folder with the first `count` shipped chip files (all for 0).
struct TProgramFolder {
    TProgramFolder(const std::string& shipped, size_t count) {
        std::vector<std::string> names = vesk::FindChipDefinitionFiles(shipped);
        if (count > 0 && count < names.size()) names.resize(count);
        for (const std::string& name : names)
            fs::copy_file(shipped + name, Dir.Path() + name);
        Chips = names.size();
    }
    TTempFolder Dir;
    size_t Chips = 0;
};

struct TWindowFigures {
    double FirstPaintMs = 0;
    size_t HeapBytes = 0;
    size_t ChipHeapBytes = 0;
};

// One window on `folder`: constructed, shown, run until its first paint, closed.
TWindowFigures OpenWindow(const TProgramFolder& folder) {
    const size_t before = HeapInUse();
    TWindowFigures figures;
    TFirstPaint watch;
    vesk::TDeviceVESK1 device;
    const Clock::time_point start = Clock::now();
    {
        TProgrammingForm form(device, QString::fromStdString(folder.Dir.Path()));
        form.SetComDeviceRoot(QString::fromStdString(folder.Dir.Path() + "no-ports"));
        form.installEventFilter(&watch);
        form.show();
        QApplication::exec();
        figures.FirstPaintMs = std::chrono::duration<double, std::milli>(watch.At - start).count();
        figures.HeapBytes = HeapInUse() - before;
        form.removeEventFilter(&watch);
    }
    // The definitions alone, loaded as the window loads them.
    const size_t withoutChips = HeapInUse();
    {
        std::vector<std::unique_ptr<vesk::TChipDefinition>> chips;
        vesk::LoadChipDefinitions(folder.Dir.Path(), chips);
        figures.ChipHeapBytes = HeapInUse() - withoutChips;
    }
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TTempFolder home;
    // No user chip folder: only the folder's own chips count.
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(home.Path()));
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string shipped = vesk::ProgramDirectory();

    std::vector<double> loads;
    size_t loaded = 0;
    for (int i = 0; i < rounds; ++i) {
        std::vector<std::unique_ptr<vesk::TChipDefinition>> chips;
        const Clock::time_point start = Clock::now();
        vesk::LoadChipDefinitions(shipped, chips);
        loads.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        loaded = chips.size();
    }
    std::printf("load all chip files: %zu chips, %.1f ms (median of %d)\n", loaded, Median(loads), rounds);

    const TProgramFolder few(shipped, 8);
    const TProgramFolder all(shipped, 0);
    OpenWindow(few); // the first window pays for fonts and styles, which later ones share
    std::vector<double> paintFew, paintAll;
    TWindowFigures lastFew, lastAll;
    for (int i = 0; i < rounds; ++i) {
        lastFew = OpenWindow(few);
        lastAll = OpenWindow(all);
        paintFew.push_back(lastFew.FirstPaintMs);
        paintAll.push_back(lastAll.FirstPaintMs);
    }
    std::printf("window first paint: %zu chips %.1f ms, %zu chips %.1f ms (medians of %d)\n", few.Chips,
                Median(paintFew), all.Chips, Median(paintAll), rounds);
    std::printf("window heap once painted: %zu chips %.0f KiB (chip definitions %.0f KiB), "
                "%zu chips %.0f KiB (chip definitions %.0f KiB)\n",
                few.Chips, lastFew.HeapBytes / 1024.0, lastFew.ChipHeapBytes / 1024.0, all.Chips,
                lastAll.HeapBytes / 1024.0, lastAll.ChipHeapBytes / 1024.0);
    return 0;
}
