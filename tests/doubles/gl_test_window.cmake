# A hidden GL window for scene tests, through the game's own window and GL layers.
add_library(vask_gl_test_window STATIC ${CMAKE_CURRENT_LIST_DIR}/../support/gl_test_window.cpp)
target_include_directories(vask_gl_test_window PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
target_compile_options(vask_gl_test_window PRIVATE -Wall -Wextra -Werror)
target_link_libraries(vask_gl_test_window PUBLIC vask_platform_gl vask_platform_window OpenGL::GL OpenGL::GLU)
