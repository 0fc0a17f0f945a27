# The conversion settings, data-source, special-conversion and list-update dialogs, offscreen.
brevio_gui_test(conversion_dialogs_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/conversion_dialogs_test.cpp LIBS brevio_ui)
