#include "twapi/globals.h"

namespace twapi {

Globals& globals() {
    static Globals g;
    return g;
}

}  // namespace twapi
