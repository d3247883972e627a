# Receiving to disk. The received-file filter and the saving with its audit
# copy need no window and go into the core library; the receive itself, its
# terminal view and the debug window are the form-side library.
target_sources(feedline_transfer_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ReceiveFilter.cpp ${CMAKE_CURRENT_LIST_DIR}/ReceiveFilter.h
    ${CMAKE_CURRENT_LIST_DIR}/ReceiveSave.cpp ${CMAKE_CURRENT_LIST_DIR}/ReceiveSave.h
)

add_library(feedline_transfer_receive STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ReceiveEngine.cpp ${CMAKE_CURRENT_LIST_DIR}/ReceiveEngine.h
    ${CMAKE_CURRENT_LIST_DIR}/ReceiveHost.h
    ${CMAKE_CURRENT_LIST_DIR}/TerminalView.cpp ${CMAKE_CURRENT_LIST_DIR}/TerminalView.h
)
target_include_directories(feedline_transfer_receive PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(feedline_transfer_receive PUBLIC
    feedline_transfer_core feedline_transfer_log feedline_transfer_progress feedline_editor_ui feedline_settings_ui Qt6::Widgets)
