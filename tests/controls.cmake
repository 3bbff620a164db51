# SPDX-License-Identifier: GPL-3.0-or-later
# Knob family and LED indicator.
quorvex_test(tst_knob)
target_link_libraries(tst_knob PRIVATE quorvex_controls)

quorvex_test(tst_knobtext)
target_link_libraries(tst_knobtext PRIVATE quorvex_controls)

quorvex_test(tst_led)
target_link_libraries(tst_led PRIVATE quorvex_controls)

quorvex_test(tst_tabcontrol)
target_link_libraries(tst_tabcontrol PRIVATE quorvex_controls)

quorvex_test(tst_groupbox)
target_link_libraries(tst_groupbox PRIVATE quorvex_controls)
