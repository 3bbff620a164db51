# SPDX-License-Identifier: GPL-3.0-or-later
# The RtMidi backend. Included by tests/CMakeLists.txt.

# No MIDI service at all: an ALSA configuration without a sequencer, and a
# JACK server name that nothing serves.
quorvex_test(tst_rtmidi_offline)
target_link_libraries(tst_rtmidi_offline PRIVATE quorvex_midi PkgConfig::RTMIDI)
set_tests_properties(tst_rtmidi_offline PROPERTIES
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;JACK_DEFAULT_SERVER=quorvex-no-such-server;ALSA_CONFIG_PATH=${CMAKE_CURRENT_SOURCE_DIR}/no-alsa-sequencer.conf"
  TIMEOUT 60)

# A real MIDI service: run-with-jackd starts a private JACK server with the
# dummy driver for the test and stops it afterwards. Registered by hand, as
# quorvex_test() runs the executable directly.
add_executable(tst_rtmidi_jack tst_rtmidi_jack.cpp)
target_include_directories(tst_rtmidi_jack PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tst_rtmidi_jack PRIVATE Qt6::Test quorvex_midi PkgConfig::RTMIDI PkgConfig::JACK)
add_test(NAME tst_rtmidi_jack
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/run-with-jackd $<TARGET_FILE:tst_rtmidi_jack>)
# Runs beside the other tests: the sends hold under load.
# ALSA without a sequencer, so the automatic choice falls back to JACK on
# any machine.
set_tests_properties(tst_rtmidi_jack PROPERTIES
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ALSA_CONFIG_PATH=${CMAKE_CURRENT_SOURCE_DIR}/no-alsa-sequencer.conf"
  TIMEOUT 180)

# The program and quorvex-amp as separate processes over the same kind of
# private JACK server.
add_executable(tst_e2e_jack tst_e2e_jack.cpp)
target_include_directories(tst_e2e_jack PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tst_e2e_jack PRIVATE Qt6::Test quorvex_app)
add_dependencies(tst_e2e_jack quorvex-amp)
add_test(NAME tst_e2e_jack
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/run-with-jackd $<TARGET_FILE:tst_e2e_jack>)
set_tests_properties(tst_e2e_jack PROPERTIES
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QUORVEX_AMP=$<TARGET_FILE:quorvex-amp>"
  TIMEOUT 120)
