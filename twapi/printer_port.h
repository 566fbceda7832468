// The port of a printer, as the share route needs it for a printer name:
// the spooler's port name for a printer of this computer, or the network path
// "\\server\share" for a printer of another computer. Empty when the printer
// has no port.
//
// Until the spooler is part of the tree every printer reads as having no
// port, unless a test installs its own lookup.
#pragma once

#include <string>
#include <string_view>

namespace twapi {

std::string printer_port(std::string_view printer_name);

using PrinterPortLookup = std::string (*)(std::string_view printer_name);
// Returns the lookup that was installed before.
PrinterPortLookup set_printer_port_for_testing(PrinterPortLookup lookup);

}  // namespace twapi
