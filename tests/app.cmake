# SPDX-License-Identifier: GPL-3.0-or-later
# Application shell, settings, single instance and the MIDI port window.
quorvex_test(tst_settings)
target_link_libraries(tst_settings PRIVATE quorvex_appcore)

quorvex_test(tst_singleinstance)
target_link_libraries(tst_singleinstance PRIVATE quorvex_appcore)

quorvex_test(tst_formmidi)
target_link_libraries(tst_formmidi PRIVATE quorvex_windows)

quorvex_test(tst_app)
target_link_libraries(tst_app PRIVATE quorvex_app quorvex_ampsim)

quorvex_test(tst_builtinamp)
target_link_libraries(tst_builtinamp PRIVATE quorvex_app)
