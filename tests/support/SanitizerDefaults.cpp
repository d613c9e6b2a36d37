// Settings the sanitizers read at start-up, built into every test binary so
// they hold however a test is started. Unused in ordinary builds.

extern "C" {

// ThreadSanitizer: only races inside libraries that are not built with it and
// whose own locks and atomics it therefore cannot see. Nothing of ours.
const char *__tsan_default_suppressions()
{
    return
        // Qt's posted-event queues and implicitly shared data hand over under its own futex locks.
        "race:libQt6Core.so\n"
        // The painting engines' caches, guarded by Qt's own locks.
        "race:libQt6Gui.so\n"
        // Widget-side caches filled from the event loop under Qt's own locks.
        "race:libQt6Widgets.so\n"
        // The socket engine's thread hand-over (host lookups, TLS) inside Qt.
        "race:libQt6Network.so\n"
        // Interceptors called from QtCore: its own synchronisation is invisible anyway.
        "called_from_lib:libQt6Core.so\n"
        // Qt's lock order between its own internal mutexes, not ours.
        "deadlock:libQt6Core.so\n"
        // glib's slice allocator (Qt's event dispatcher) frees blocks another thread took.
        "race:libglib-2.0.so\n"
        // libdbus guards its connection with its own uninstrumented locks.
        "race:libdbus-1.so\n";
}

const char *__tsan_default_options()
{
    return "halt_on_error=1";
}

// Fonts, the platform plugin and the glib main loop keep allocations for the
// life of the process; they are not leaks of ours.
const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:libQt6Gui.so\n"
           "leak:libQt6Core.so\n"
           "leak:libglib-2.0.so\n";
}

} // extern "C"
