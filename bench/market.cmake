# Market watch: the user-interface thread of the real main window under demo-server's price stream.
terminal_bench(bench_market_watch
  SOURCES BenchMarketWatch.cpp ${CMAKE_SOURCE_DIR}/tests/DemoServerProcess.cpp
  LIBS terminal_app terminal_resources)
