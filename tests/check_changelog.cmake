# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian changelog made from CHANGELOG.md: dates become the right
# weekday, impossible dates and malformed headings stop the build, and the
# text keeps what list syntax would break.
# Run as: cmake -DSCRIPT=<packaging/debian-changelog.cmake> -DWORK=<dir> -P check_changelog.cmake
set(failures "")

# expect(name input expected): expected is the whole output, or
# "ERROR:<regex>" for a conversion that must fail with that message.
function(expect name input expected)
  set(in ${WORK}/${name}.md)
  set(out ${WORK}/${name}.changelog)
  file(WRITE ${in} "${input}")
  file(REMOVE ${out})
  execute_process(COMMAND ${CMAKE_COMMAND} -DIN=${in} -DOUT=${out} -DPACKAGE=pkg
                          "-DMAINTAINER=A B <a@b.org>" -P ${SCRIPT}
                  RESULT_VARIABLE result ERROR_VARIABLE error OUTPUT_QUIET)
  if(expected MATCHES "^ERROR:(.*)")
    set(wanted "${CMAKE_MATCH_1}")
    # CMake wraps its messages to the terminal's width, where the folder's
    # length puts it: compare the words, not the lines.
    string(REGEX REPLACE "[ \t\r\n]+" " " words "${error}")
    if(result EQUAL 0 OR NOT words MATCHES "${wanted}")
      set(failures "${failures}\n  ${name}: expected an error matching '${wanted}', got ${result}: ${error}" PARENT_SCOPE)
    endif()
  elseif(NOT result EQUAL 0)
    set(failures "${failures}\n  ${name}: failed: ${error}" PARENT_SCOPE)
  else()
    file(READ ${out} actual)
    if(NOT actual STREQUAL expected)
      set(failures "${failures}\n  ${name}: got\n${actual}\n  expected\n${expected}" PARENT_SCOPE)
    endif()
  endif()
endfunction()

function(entry_date name date expected)
  expect(${name} "## 1.0 (${date})\n- x\n" "pkg (1.0) unstable; urgency=medium\n\n  * x\n\n -- A B <a@b.org>  ${expected} 12:00:00 +0000\n")
endfunction()

# Weekdays and month names, across leap days and the century rules.
entry_date(epoch 1970-01-01 "Thu, 01 Jan 1970")
entry_date(leap_century 2000-02-29 "Tue, 29 Feb 2000")
entry_date(after_leap_day 2024-03-01 "Fri, 01 Mar 2024")
entry_date(no_leap_century 2100-03-01 "Mon, 01 Mar 2100")
entry_date(past_32_bits 2038-01-19 "Tue, 19 Jan 2038")
entry_date(december 2026-12-07 "Mon, 07 Dec 2026")

# Headings and dates that must not reach a package.
expect(not_leap_year "## 1.0 (2023-02-29)\n- x\n" "ERROR:not a date")
expect(not_leap_century "## 1.0 (2100-02-29)\n- x\n" "ERROR:not a date")
expect(month_13 "## 1.0 (2026-13-01)\n- x\n" "ERROR:not a date")
expect(day_zero "## 1.0 (2026-01-00)\n- x\n" "ERROR:not a date")
expect(april_31 "## 1.0 (2026-04-31)\n- x\n" "ERROR:not a date")
expect(short_date "## 1.0 (2026-1-5)\n- x\n" "ERROR:not a date")
expect(no_date "## 1.0\n- x\n" "ERROR:is not '## VERSION")
expect(no_release "# Changes\n\nNothing yet.\n" "ERROR:has no release")

# The preface is left out; items, continuations, a blank line between
# changes, and characters a CMake list would split or glue ([ ; ]) survive.
expect(body [=[# Changes
Preface text.

## 2.0 (2026-12-07)

- First; with `code` and [brackets
  continued] here.

- Second.
Plain line.

## 1.0 (2026-01-01)
- Old.
]=] [=[pkg (2.0) unstable; urgency=medium

  * First; with code and [brackets
    continued] here.

  * Second.
  Plain line.

 -- A B <a@b.org>  Mon, 07 Dec 2026 12:00:00 +0000

pkg (1.0) unstable; urgency=medium

  * Old.

 -- A B <a@b.org>  Thu, 01 Jan 2026 12:00:00 +0000
]=])

if(failures)
  message(FATAL_ERROR "changelog conversion:${failures}")
endif()
