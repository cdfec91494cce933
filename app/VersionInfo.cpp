#include "VersionInfo.h"

#include <QFile>

#ifndef VESK_PRODUCT_VERSION
#define VESK_PRODUCT_VERSION ""
#endif
#ifndef VESK_FILE_VERSION
#define VESK_FILE_VERSION ""
#endif

QString ProductVersion() {
    return QStringLiteral(VESK_PRODUCT_VERSION);
}

QString FileVersion() {
    return QStringLiteral(VESK_FILE_VERSION);
}

QString VersionLabelText() {
    return QStringLiteral("Version ") + ProductVersion() + QStringLiteral(" (") + FileVersion() +
           QStringLiteral(")");
}

// The resource file is compiled into a static library: it registers itself
// only when asked.
static void InitAppResources() {
    Q_INIT_RESOURCE(app);
}

QString ResourceText(const QString& name) {
    static const bool registered = (InitAppResources(), true);
    (void)registered;
    QFile file(QStringLiteral(":/") + name);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}
