# SPDX-License-Identifier: GPL-3.0-or-later
# Preset, group, global and note files.
quorvex_test(tst_files)
target_link_libraries(tst_files PRIVATE quorvex_files)
