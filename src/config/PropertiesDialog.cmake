# The machine settings dialog and the pickers it opens.
add_library(feedline_config_dialogs STATIC
    ClickLabel.h
    DialogParts.h
    ExampleSettings.cpp ExampleSettings.h
    PropertiesRules.cpp PropertiesRules.h
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
