// Settings the sanitizers read at start-up, built into every test binary so
// they hold however a test is started. Unused in ordinary builds.

extern "C" {

// Qt's own libraries are not built with ThreadSanitizer: their locks and
// atomics are invisible to it, so the hand-over of posted events between
// threads looks like a race inside them.
const char *__tsan_default_suppressions()
{
    return "race:libQt6Core.so\n"
           "race:libQt6Gui.so\n"
           "race:libQt6Widgets.so\n"
           "race:libQt6Network.so\n"
           "called_from_lib:libQt6Core.so\n"
           "deadlock:libQt6Core.so\n";
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
