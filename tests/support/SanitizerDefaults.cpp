// Settings the sanitizers read at start-up, built into every test binary so
// they hold however a test is started. Unused in ordinary builds.

extern "C" {

// ThreadSanitizer sees only code built with it. Qt, glib and libdbus are not:
// their own loads and stores are invisible to it, and so are their locks (mostly
// futexes), so whatever they hand from one thread to another reads as a race.
const char *__tsan_default_suppressions()
{
    return
        // What these libraries touch through the sanitizer's interceptors (memcpy,
        // malloc, new and delete) is left out, library by library: otherwise Qt's
        // painting thread pool, its event queue and its D-Bus thread report their
        // own hand-overs, one report per pixel row, and the run crawls. Their own
        // code stays as invisible as it was; ours is still checked wherever Qt
        // calls it from.
        "called_from_lib:libQt6Core.so\n"
        "called_from_lib:libQt6Gui.so\n"
        "called_from_lib:libQt6Widgets.so\n"
        "called_from_lib:libQt6Network.so\n"
        "called_from_lib:libQt6DBus.so\n"
        "called_from_lib:libglib-2.0.so\n"
        "called_from_lib:libdbus-1.so\n"
        // A queued call (invokeMethod, a queued connection) runs from this frame:
        // the posting thread built the functor and what it captured before taking
        // the posted-event queue's lock, which the sanitizer cannot see. This hides
        // a race only where one side runs inside a queued call (or a timer event,
        // delivered the same way); code reached through a signal, a widget's event
        // or our own threads is still checked.
        "race:^QObject::event(QEvent\n"
        // The same queued call's event, with its arguments, freed after it ran.
        "race:^QMetaCallEvent::~QMetaCallEvent\n"
        // QtDBus runs the tests' fake services (QDBusVirtualObject::handleMessage)
        // on its own connection thread, handing each call over and the answer back
        // under its own locks; the calls' arguments are released on that thread.
        "race:libQt6DBus.so\n"
        "race:^QVariant::~QVariant\n"
        // Qt's lock order between its own internal mutexes, not ours.
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
