# Charts: candle history and its cache, chart settings, time axis and price tags.
terminal_test(TestCandleCache SOURCES TestCandleCache.cpp LIBS terminal_chart)
terminal_test(TestChartManager SOURCES TestChartManager.cpp SanitizerSuppressions.cpp LIBS terminal_chart Qt5::WebSockets LABELS threaded)
terminal_test(TestChartSettings SOURCES TestChartSettings.cpp LIBS terminal_chart)
terminal_test(TestDateTimeTicker SOURCES TestDateTimeTicker.cpp LIBS terminal_chart)
terminal_test(TestAxisTag SOURCES TestAxisTag.cpp SanitizerSuppressions.cpp LIBS terminal_chart)
