# Resequencing a 2-million-line editor window, against awk over the same file.
feedline_bench(bench_texttools
    SOURCES bench_texttools.cpp
    LIBS feedline_editor_widgets Qt6::Widgets)
