// Where the desktop program finds its files: the settings file, the MAC
// vendor list, the SNMP object names and the help.
#pragma once

#include <QString>

namespace kestle::ui {

// "<config>/Quorrel Software/Kestle/Kestle.ini", the folders created when
// missing; the program's own folder when they cannot be made.
QString SettingsFilePath();
// A data file next to the program, in <program folder>/../share/kestle (the
// build tree and an installed tree alike), or in the data folder of the
// prefix the program was built for; "" when none has it.
QString DataFilePath(const QString& name);

}  // namespace kestle::ui
