# A 10 MB program through the text send engine to a pseudo-terminal that is
# drained, against cat of the same file into the same kind of pseudo-terminal;
# and the line processing alone at 1 MB and 10 MB.
feedline_bench(bench_send
    SOURCES bench_send.cpp
    LIBS feedline_transfer_send Qt6::Widgets)
