# The received-file filter against tr -d '\000', whole and in pieces, and the
# save of a received program against the editor's own copy.
feedline_bench(bench_receive
    SOURCES bench_receive.cpp
    LIBS feedline_transfer_core feedline_editor_widgets Qt6::Widgets)
