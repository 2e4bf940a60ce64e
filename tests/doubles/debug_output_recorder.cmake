# Keeps the debugger output instead of writing it to standard error (tests of the match
# file and of anything else that reports through outputDebugString).
add_library(vask_debug_output_recorder STATIC ${CMAKE_CURRENT_LIST_DIR}/debug_output_recorder.cpp)
vask_own_target(vask_debug_output_recorder)
