// The application's standard error box: the message box that shows every error
// escaping an event handler (and the start-up), captioned with the application's
// title and with a full stop appended to the message where needed.
#pragma once

#include <QString>

// The application's title: the program file's name without its directory and
// without everything from its first full stop on, with every letter after the
// first in lower case ("/opt/x/WinVESK" gives "Winvesk").
QString ApplicationTitle(const QString& programFilePath);

// The application's title of the running program.
QString ApplicationTitle();

// The message as the error box shows it: a full stop is appended unless the
// message already ends in a character that sorts at or below "." (a line feed,
// a blank, "!", "." ...). An empty message stays empty.
QString ErrorBoxText(const QString& message);
