# A message box that records what it was asked to show instead of opening a window.
# Link it in place of the platform window layer when the code under test only reports.
add_library(vask_message_box_recorder STATIC ${CMAKE_CURRENT_LIST_DIR}/message_box_recorder.cpp)
vask_own_target(vask_message_box_recorder)
target_include_directories(vask_message_box_recorder PUBLIC ${CMAKE_CURRENT_LIST_DIR})
