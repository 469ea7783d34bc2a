# Support: logger and journal.
terminal_test(TestLogger SOURCES TestLogger.cpp LIBS terminal_support_ui LABELS threaded)
