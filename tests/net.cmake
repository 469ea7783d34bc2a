# Trade session: records, connection and protocol.
terminal_test(TestRecords SOURCES TestRecords.cpp LIBS terminal_net)
