# Reading whole machine records through the cached store, against parsing the
# settings file afresh for every read.
feedline_bench(bench_settings
    SOURCES bench_settings.cpp
    LIBS feedline_config_core Qt6::Core)
