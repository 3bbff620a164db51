# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop integration files, the manual pages and the Debian package. A
# sanitizer build adds nothing to them, so they are checked in the normal
# build only. Each skips, with a message, where its tools are missing
# (scripts/bootstrap installs them).
if(NOT QUORVEX_SANITIZE)
  add_test(NAME desktop_files COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check-desktop-files ${PROJECT_SOURCE_DIR}/packaging)
  set_tests_properties(desktop_files PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 60)
  # Made from this build tree, so it costs a few seconds rather than a build.
  add_test(NAME package COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check-package
           ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR} ${PROJECT_VERSION})
  set_tests_properties(package PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
  # lintian on the same package: no error or warning but explained overrides.
  add_test(NAME lintian COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check-lintian
           ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides)
  set_tests_properties(lintian PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)

  add_test(NAME changelog COMMAND ${CMAKE_COMMAND} -DSCRIPT=${PROJECT_SOURCE_DIR}/packaging/debian-changelog.cmake
           -DWORK=${CMAKE_CURRENT_BINARY_DIR}/changelog-work -P ${CMAKE_CURRENT_SOURCE_DIR}/check_changelog.cmake)

  # Each program's page against its --help; a program another branch has
  # not brought into this tree yet is skipped, saying so.
  set(pages ${PROJECT_BINARY_DIR}/packaging/man)
  foreach(program quorvex quorvex-amp quorvex-syx)
    set(binary "")
    if(TARGET ${program})
      set(binary $<TARGET_FILE:${program}>)
    endif()
    add_test(NAME manpage_${program} COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check-manpage
             ${pages}/${program}.1 ${program} ${binary})
    set_tests_properties(manpage_${program} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 60)
  endforeach()
  # The comparison notices a difference: quorvex-amp's page against
  # quorvex's --help names the options only the virtual Amp has.
  add_test(NAME manpage_check_notices COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check-manpage
           ${pages}/quorvex-amp.1 quorvex $<TARGET_FILE:quorvex>)
  set_tests_properties(manpage_check_notices PROPERTIES TIMEOUT 60
    PASS_REGULAR_EXPRESSION "options quorvex --help does not list: --api --channel --firmware --monitor --port-name")
endif()
