// termview_sample [file.png]: saves a picture of the terminal view showing a
// sample session (run with QT_QPA_PLATFORM=offscreen where there is no display).

#include "TermPageLook.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("terminal.png");
    if (!vesk::SaveTerminalSample(path)) {
        std::fprintf(stderr, "termview_sample: cannot write %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}
