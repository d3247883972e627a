# The sends: line processing (no widgets, part of the core), the send
# routines with their progress window, the send entries and the log viewer.
target_sources(feedline_transfer_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/SendLines.cpp ${CMAKE_CURRENT_LIST_DIR}/SendLines.h
    ${CMAKE_CURRENT_LIST_DIR}/BlockPrep.cpp ${CMAKE_CURRENT_LIST_DIR}/BlockPrep.h
)

add_library(feedline_transfer_send STATIC
    ${CMAKE_CURRENT_LIST_DIR}/SendEngine.cpp ${CMAKE_CURRENT_LIST_DIR}/SendEngine.h
    ${CMAKE_CURRENT_LIST_DIR}/SendEntries.cpp ${CMAKE_CURRENT_LIST_DIR}/SendEntries.h
    ${CMAKE_CURRENT_LIST_DIR}/SendHost.cpp ${CMAKE_CURRENT_LIST_DIR}/SendHost.h
    ${CMAKE_CURRENT_LIST_DIR}/SendRoutes.cpp ${CMAKE_CURRENT_LIST_DIR}/SendRoutes.h
    ${CMAKE_CURRENT_LIST_DIR}/SendSession.cpp ${CMAKE_CURRENT_LIST_DIR}/SendSession.h
    ${CMAKE_CURRENT_LIST_DIR}/SendSteps.cpp ${CMAKE_CURRENT_LIST_DIR}/SendSteps.h
    ${CMAKE_CURRENT_LIST_DIR}/BlockSend.cpp
    ${CMAKE_CURRENT_LIST_DIR}/frmCancelSend.cpp ${CMAKE_CURRENT_LIST_DIR}/frmCancelSend.h
    ${CMAKE_CURRENT_LIST_DIR}/frmLogFile.cpp ${CMAKE_CURRENT_LIST_DIR}/frmLogFile.h
)
target_include_directories(feedline_transfer_send PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(feedline_transfer_send PUBLIC
    feedline_transfer_core feedline_transfer_log feedline_transfer_progress
    feedline_editor_widgets feedline_settings_ui Qt6::Widgets)
