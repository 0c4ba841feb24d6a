# The control panel of the real program under Xvfb: shown by a right click,
# Run, Save and Open through Qt's file dialog, Frame, Help, Hide and Exit.
add_test(NAME e2e_panel
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/panel_e2e.sh
          $<TARGET_FILE:corvane> ${CMAKE_CURRENT_BINARY_DIR}/panel-e2e $<TARGET_FILE:x11_close_window>)
set_tests_properties(e2e_panel PROPERTIES TIMEOUT 120 LABELS e2e)
