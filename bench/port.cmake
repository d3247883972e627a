# 10 MB through the serial port layer to a pseudo-terminal that is drained,
# against cat of the same bytes into the same kind of pseudo-terminal.
feedline_bench(bench_port
    SOURCES bench_port.cpp
    LIBS feedline_transfer_core Qt6::Core)
