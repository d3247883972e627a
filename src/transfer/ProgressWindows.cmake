# The small progress windows: the percentage bar, frmPercent, the wait
# while a USB transfer is cancelled, and the XModem panels.
add_library(feedline_transfer_progress STATIC
    ${CMAKE_CURRENT_LIST_DIR}/PercentBar.cpp ${CMAKE_CURRENT_LIST_DIR}/PercentBar.h
    ${CMAKE_CURRENT_LIST_DIR}/frmPercent.cpp ${CMAKE_CURRENT_LIST_DIR}/frmPercent.h
    ${CMAKE_CURRENT_LIST_DIR}/frmCancelWait.cpp ${CMAKE_CURRENT_LIST_DIR}/frmCancelWait.h
    ${CMAKE_CURRENT_LIST_DIR}/XModemPanels.cpp ${CMAKE_CURRENT_LIST_DIR}/XModemPanels.h
)
target_include_directories(feedline_transfer_progress PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(feedline_transfer_progress PUBLIC
    feedline_transfer_core feedline_transfer_log feedline_editor_core feedline_settings_ui Qt6::Widgets)
