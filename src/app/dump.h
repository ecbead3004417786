// kestle-dump: the command-line front end over the core library.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kestle {

// Runs kestle-dump with its arguments (without the program name). Output
// goes to `out`, messages to `err`. Returns the exit status: 0 after a
// load, 1 when the file was not loaded, 2 on a usage error.
// `vendorFile` is the MAC vendor list used unless --vendors names another,
// `snmpNamesFile` the SNMP object names unless --snmp-names names others
// ("" = none).
int RunDump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const std::string& vendorFile = "", const std::string& snmpNamesFile = "");

}  // namespace kestle
