// The port of a printer, as the share route needs it for a printer name
// (kind 1): the spooler's port name for a printer of this computer, the
// network path "\\server\share" for a printer shared by another computer,
// empty when the printer has no port (or the spooler does not know it).
#pragma once

#include <string>
#include <string_view>

namespace twapi {

std::string printer_port(std::string_view printer_name);

}  // namespace twapi
