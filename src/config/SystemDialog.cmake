# The system settings with the settings backups, and the machine copy.
add_library(feedline_config_system STATIC
    ${CMAKE_CURRENT_LIST_DIR}/MachineCopy.cpp ${CMAKE_CURRENT_LIST_DIR}/MachineCopy.h
    ${CMAKE_CURRENT_LIST_DIR}/SettingsBackup.cpp ${CMAKE_CURRENT_LIST_DIR}/SettingsBackup.h
    ${CMAKE_CURRENT_LIST_DIR}/SystemSettings.cpp ${CMAKE_CURRENT_LIST_DIR}/SystemSettings.h
    ${CMAKE_CURRENT_LIST_DIR}/frmCopyDNC.cpp ${CMAKE_CURRENT_LIST_DIR}/frmCopyDNC.h
    ${CMAKE_CURRENT_LIST_DIR}/frmSystem.cpp ${CMAKE_CURRENT_LIST_DIR}/frmSystem.h
)
target_include_directories(feedline_config_system PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(feedline_config_system PUBLIC
    feedline_config_dialogs feedline_config_pickers feedline_editor_ui Qt6::Widgets)
