// Sanitizer reports that come from Qt itself rather than from our code. Link
// this file into a test program; it has no effect in a normal build.

#if defined(__SANITIZE_THREAD__)
// A QThread signals its end through QMutex's futex path inside libQt5Core,
// which ThreadSanitizer never sees, so tearing down QtTest's own watchdog
// thread at exit (its wait condition, then the object in QTest::qRun) looks
// like a race. Uninstrumented functions only show up as the direct caller of
// what they call, so these names match those teardown calls and nothing of ours.
extern "C" const char *__tsan_default_suppressions()
{
    return "race:QWaitCondition::~QWaitCondition\n"
           "race:QTest::qRun\n";
}
#endif

#if defined(__SANITIZE_ADDRESS__)
// The offscreen platform plugin never frees its screen.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libqoffscreen.so\n";
}
#endif
