# The command-line text send against cat, at 10 MB, 100 MB and 1 GB, with
# CPU time and peak memory.
feedline_bench(bench_send
    SOURCES bench_send.cpp
    LIBS Qt6::Core)
add_dependencies(bench_send feedline)
target_compile_definitions(bench_send PRIVATE FEEDLINE_EXECUTABLE="$<TARGET_FILE:feedline>")
