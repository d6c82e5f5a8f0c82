// The one cursor the program shows over all of its windows while it is busy: set through
// the user-interface service (the application's busy state and the zip component's load
// both use it), honoured by each window when the system asks it for a cursor.
#pragma once

#include "sys/UserInterface.h"

namespace sys {

Cursor ScreenCursor();

}  // namespace sys
