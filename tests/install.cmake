# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop integration files and the Debian package. A sanitizer build
# adds nothing to them, so they are checked in the normal build only. Each
# skips, with a message, where its tools are missing (scripts/bootstrap
# installs them).
if(NOT QUORVEX_SANITIZE)
  add_test(NAME desktop_files COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check-desktop-files ${PROJECT_SOURCE_DIR}/packaging)
  set_tests_properties(desktop_files PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 60)
  # Made from this build tree, so it costs a few seconds rather than a build.
  add_test(NAME package COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check-package
           ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR} ${PROJECT_VERSION})
  set_tests_properties(package PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
