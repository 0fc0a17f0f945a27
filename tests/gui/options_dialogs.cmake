# The options, news statistics and add-website dialogs, offscreen.
brevio_gui_test(options_dialogs_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/options_dialogs_test.cpp
  LIBS brevio_ui)
