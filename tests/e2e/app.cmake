# The real corvane under Xvfb with a temporary home: its window, the stars
# on the screen, closing, and the boot-settings file it leaves.
add_test(NAME app_smoke
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/app_smoke.sh
          $<TARGET_FILE:corvane> $<TARGET_FILE:x11_close_window>)
set_tests_properties(app_smoke PROPERTIES TIMEOUT 90 LABELS e2e)
