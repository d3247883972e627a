# Opening a 50 MB NC program into an editor window, against reading it alone.
feedline_bench(bench_editor
    SOURCES bench_editor.cpp
    LIBS feedline_editor_widgets Qt6::Widgets)
