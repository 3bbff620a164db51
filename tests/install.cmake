# The desktop integration files. A sanitizer build adds nothing to them, so
# they are checked in the normal build only. Skipped, with a message, where
# the tools are missing (scripts/bootstrap installs them).
if(NOT QUORVEX_SANITIZE)
  add_test(NAME desktop_files COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check-desktop-files ${PROJECT_SOURCE_DIR}/packaging)
  set_tests_properties(desktop_files PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 60)
endif()
