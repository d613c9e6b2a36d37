#include "core/platform/ThreadPriority.h"

#include <cerrno>

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace platform {

void LowerOwnPriority()
{
#if defined(__linux__)
    // On Linux a thread has its own nice value; one more is one step lower.
    const id_t self = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, self);
    if (errno == 0)
        ::setpriority(PRIO_PROCESS, self, nice + 1);
#endif
}

} // namespace platform
