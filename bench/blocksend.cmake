# The block routes against cat and the XModem route against sx, to a drained
# pseudo-terminal and to rx.
feedline_bench(bench_blocksend
    SOURCES bench_blocksend.cpp
    LIBS feedline_transfer_send feedline_pty_support Qt6::Widgets)
