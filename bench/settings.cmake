# Settings reads through the store against QSettings, and the program started
# for a one-line command-line send with a 50 MB settings file against a 50 KB one.
feedline_bench(bench_settings
    SOURCES bench_settings.cpp
    LIBS feedline_config_core Qt6::Core)
add_dependencies(bench_settings feedline)
target_compile_definitions(bench_settings PRIVATE FEEDLINE_EXECUTABLE="$<TARGET_FILE:feedline>")
