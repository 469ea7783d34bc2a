# Demo broker server: throughput against the real program on loopback.
terminal_bench(bench_server_price_push
  SOURCES BenchDemoServerPricePush.cpp ${CMAKE_SOURCE_DIR}/tests/DemoServerProcess.cpp
  LIBS Qt5::Network Qt5::WebSockets)
terminal_bench(bench_server_trade_roundtrip
  SOURCES BenchDemoServerTradeRoundTrip.cpp ${CMAKE_SOURCE_DIR}/tests/DemoServerProcess.cpp
  LIBS Qt5::Network Qt5::WebSockets)
