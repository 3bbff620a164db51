# SPDX-License-Identifier: GPL-3.0-or-later
# The file list: listing, requests, deleting, moving, following the folder.
quorvex_test(tst_filelist)
target_link_libraries(tst_filelist PRIVATE quorvex_filelist)
