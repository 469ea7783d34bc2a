# Market and account data: tick buffer, symbol storage, position store.
terminal_test(TestPriceDataBuffer SOURCES TestPriceDataBuffer.cpp LIBS terminal_data LABELS threaded)
terminal_test(TestSymbolDataStorage SOURCES TestSymbolDataStorage.cpp LIBS terminal_data)
terminal_test(TestPositionDataStore SOURCES TestPositionDataStore.cpp LIBS terminal_data)
terminal_test(TestDataFeed SOURCES TestDataFeed.cpp LIBS terminal_data Qt5::WebSockets LABELS threaded)
