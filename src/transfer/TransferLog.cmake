# The transfer log and the terminal echo hook, shared by the send and the receive.
add_library(feedline_transfer_log STATIC
    ${CMAKE_CURRENT_LIST_DIR}/TerminalEcho.cpp ${CMAKE_CURRENT_LIST_DIR}/TerminalEcho.h
    ${CMAKE_CURRENT_LIST_DIR}/TransferLog.cpp ${CMAKE_CURRENT_LIST_DIR}/TransferLog.h
)
target_include_directories(feedline_transfer_log PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(feedline_transfer_log PUBLIC feedline_transfer_core feedline_editor_core)
