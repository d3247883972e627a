# The machine picker and the machine visibility dialog.
add_library(feedline_config_pickers STATIC
    ${CMAKE_CURRENT_LIST_DIR}/frmSelectCNC.cpp ${CMAKE_CURRENT_LIST_DIR}/frmSelectCNC.h
    ${CMAKE_CURRENT_LIST_DIR}/frmVisibleCNC.cpp ${CMAKE_CURRENT_LIST_DIR}/frmVisibleCNC.h
)
target_include_directories(feedline_config_pickers PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(feedline_config_pickers PUBLIC feedline_config_core feedline_settings_ui Qt6::Widgets)
