// Version values and resources of the program. The product and file versions
// are set by the build (they stand in for a version resource of the program file).
#pragma once

#include <QString>

QString ProductVersion();
QString FileVersion();

// The About page's version label: "Version <product> (<file>)".
QString VersionLabelText();

// The text of a resource of the program's resource file (":/<name>"); empty when
// the resource does not exist.
QString ResourceText(const QString& name);
