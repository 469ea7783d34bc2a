# Candle cache: loading and rewriting a file of a million candles.
terminal_bench(bench_chart_cache SOURCES BenchChartCache.cpp LIBS terminal_chart)
