# Replace All in a 2-million-line editor window, against sed over the same file.
feedline_bench(bench_find
    SOURCES bench_find.cpp
    LIBS feedline_editor_widgets Qt6::Widgets)
