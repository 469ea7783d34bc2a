// Reports ThreadSanitizer cannot get right in an uninstrumented Qt. A QThread
// signals its end through QMutex's futex path inside libQt5Core, which the
// sanitizer never sees, so tearing down QtTest's own watchdog thread at exit
// (its wait condition, then the object in QTest::qRun) looks like a race.
// Uninstrumented functions only show up as the direct caller of what they
// call, so these names match those teardown calls and nothing of ours.
// Link this file into a threaded test program.
#if defined(__SANITIZE_THREAD__)
extern "C" const char *__tsan_default_suppressions()
{
    return "race:QWaitCondition::~QWaitCondition\n"
           "race:QTest::qRun\n";
}
#endif
