#pragma once
// The help page corvane.html and handing it to the desktop.

#include <QString>
#include <QStringList>

namespace corvane {

// Where the page is looked for, in order: the current directory, the data
// folder as installed next to the program (bin/../share/corvane), the data
// folder of the prefix the program was built for, the program's own folder.
QStringList helpPageFolders();

// The absolute path of corvane.html in the first of `folders` that has it;
// empty when none does.
QString findHelpPage(const QStringList& folders = helpPageFolders());

// Asks the desktop (xdg-open) to show the file at `path`. False when the
// desktop cannot: no opener, or it reports failure, as it does when no
// browser is installed. An opener still busy after a moment counts as
// having shown the page (a browser started in the foreground keeps it).
bool openWithDesktop(const QString& path);

}  // namespace corvane
