// Name resolution: a printer or port name to its printer record, asking the
// routes in order the first time a name is seen and the printer list after.
//
//   kind 1 (printer name): local-port provider, then share provider, then
//                          the older library;
//   kind 0 (port name):    share provider, then the older library;
//   other kinds:           the older library only.
#pragma once

#include "twapi/printer_list.h"

namespace twapi {

struct Resolution {
    int result = 0;                   // channel count (1 to 16) or an API code
    PrinterRecord* printer = nullptr;  // set when result > 0
};

Resolution resolve_printer(int kind, const char* name);

}  // namespace twapi
