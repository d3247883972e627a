# The edit control over QScintilla and the editor windows.
add_library(feedline_editor_widgets STATIC
    CompletionList.cpp CompletionList.h
    EditControl.cpp EditControl.h
    Qsci.h
    EditorManager.cpp EditorManager.h
    NcLexer.cpp NcLexer.h
    Printing.cpp Printing.h
    RecentFilesMenu.cpp RecentFilesMenu.h
    SettingsWarning.cpp SettingsWarning.h
    WheelScroll.cpp WheelScroll.h
    TextTools.cpp TextTools.h
    frmAskDeleteNulls.cpp frmAskDeleteNulls.h
    frmFanucSplitFiles.cpp frmFanucSplitFiles.h
    frmIntelli.cpp frmIntelli.h
    frmFind.cpp frmFind.h
    frmMerge.cpp frmMerge.h
)
target_include_directories(feedline_editor_widgets PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(feedline_editor_widgets PUBLIC
    feedline_editor_core feedline_transfer_core feedline_settings_ui QScintilla::QScintilla Qt6::Widgets Qt6::PrintSupport)
