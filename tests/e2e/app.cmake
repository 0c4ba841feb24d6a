# The real corvane under Xvfb with a temporary home: its window, the stars
# on the screen, closing, and the boot-settings file it leaves.
find_package(X11)
if(TARGET corvane AND X11_FOUND)
  add_executable(x11_close_window ${CMAKE_CURRENT_LIST_DIR}/x11_close_window.cpp)
  target_link_libraries(x11_close_window PRIVATE X11::X11)
  set_target_properties(x11_close_window PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

  add_test(NAME app_smoke
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/app_smoke.sh
            $<TARGET_FILE:corvane> $<TARGET_FILE:x11_close_window>)
  set_tests_properties(app_smoke PROPERTIES TIMEOUT 90 LABELS e2e)
endif()
