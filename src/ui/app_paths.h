// Where the desktop program finds its files: the settings file, the MAC
// vendor list, the SNMP object names and the help.
#pragma once

#include <QString>

namespace kestle::ui {

// "<config>/Quorrel Software/Kestle/Kestle.ini", the folders created when
// missing; the program's own folder when they cannot be made.
QString SettingsFilePath();
// A data file next to the program, in the installed data folder, or in the
// source tree's data folder (a build that was never installed).
QString DataFilePath(const QString& name);

}  // namespace kestle::ui
