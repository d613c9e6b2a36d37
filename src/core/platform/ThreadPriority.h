// Puts the calling thread one step below normal priority: the screen threads
// and the command runners yield to the thread that keeps the windows responsive.
#pragma once

namespace platform {

void LowerOwnPriority();

} // namespace platform
