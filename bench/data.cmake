# Market and account data stores, per tick.
terminal_bench(bench_data SOURCES BenchData.cpp LIBS terminal_data)
