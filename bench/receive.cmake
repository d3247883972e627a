# A 100 MB received file filtered into its destination, whole and in pieces,
# against tr -d '\000' over the same file.
feedline_bench(bench_receive
    SOURCES bench_receive.cpp
    LIBS feedline_transfer_core Qt6::Core)
