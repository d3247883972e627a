# The command-line text send against cat, at 10 MB, 100 MB and 1 GB, with
# CPU time and peak memory.
feedline_bench(bench_send
    SOURCES bench_send.cpp
    LIBS Qt6::Core)
add_dependencies(bench_send feedline)
target_compile_definitions(bench_send PRIVATE FEEDLINE_EXECUTABLE="$<TARGET_FILE:feedline>")

# The start-up row's floor: a QApplication program linked against the same
# shared libraries as the program.
add_executable(bench_send_floor bench_send_floor.cpp)
target_link_libraries(bench_send_floor PRIVATE Qt6::Widgets Qt6::PrintSupport Qt6::SerialPort QScintilla::QScintilla)
target_link_options(bench_send_floor PRIVATE LINKER:--no-as-needed)
add_dependencies(bench_send bench_send_floor)
target_compile_definitions(bench_send PRIVATE FEEDLINE_FLOOR_EXECUTABLE="$<TARGET_FILE:bench_send_floor>")
