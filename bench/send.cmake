# The command-line text send against cat: the start of a one-line send
# against a minimal Qt program of the same libraries, and 10 MB, 100 MB and
# 1 GB sends with CPU time, peak memory and the settings saves of a send.
feedline_bench(bench_send
    SOURCES bench_send.cpp
    LIBS Qt6::Core)
add_executable(send_floor send_floor.cpp)
target_include_directories(send_floor PRIVATE ${CMAKE_SOURCE_DIR}/src/editor)
target_link_libraries(send_floor PRIVATE QScintilla::QScintilla Qt6::Widgets Qt6::PrintSupport Qt6::SerialPort)
add_dependencies(bench_send feedline send_floor)
target_compile_definitions(bench_send PRIVATE FEEDLINE_EXECUTABLE="$<TARGET_FILE:feedline>"
                           SEND_FLOOR_EXECUTABLE="$<TARGET_FILE:send_floor>")
