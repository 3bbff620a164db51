# SPDX-License-Identifier: GPL-3.0-or-later
# Editor panel: live edit messages, dual sets, boost commands, delay time and tap.
quorvex_test(tst_editor)
target_link_libraries(tst_editor PRIVATE quorvex_editor quorvex_wiring)
