# The machine settings dialog and the pickers it opens.
add_library(feedline_config_dialogs STATIC
    ClickLabel.h
    DialogParts.h
    ExampleSettings.cpp ExampleSettings.h
    PropertiesRules.cpp PropertiesRules.h
    ShippedFiles.cpp ShippedFiles.h
    frmAltChars.cpp frmAltChars.h
    frmDefaultDir.cpp frmDefaultDir.h
    frmExampleSettings.cpp frmExampleSettings.h
    frmExtensions.cpp frmExtensions.h
    frmGetPortTypes.cpp frmGetPortTypes.h
    frmProperties.cpp frmProperties.h frmPropertiesLayout.cpp
)
target_include_directories(feedline_config_dialogs PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(feedline_config_dialogs PUBLIC
    feedline_config_core feedline_transfer_core feedline_editor_core feedline_settings_ui Qt6::Widgets)
# The example settings and the completion words the program writes into a
# new program folder.
qt_add_resources(feedline_config_dialogs "shipped" PREFIX "/shipped" BASE "${PROJECT_SOURCE_DIR}/data"
    FILES "${PROJECT_SOURCE_DIR}/data/Feedline.cfg" "${PROJECT_SOURCE_DIR}/data/fanuc.itc")
