// Gives memory the allocator holds free back to the system: after a burst the
// freed blocks would otherwise stay resident, in every thread's arena.
#pragma once

namespace platform {

// Cheap enough for once per burst or per closed window, not for every read.
void ReturnFreedMemory();

} // namespace platform
