# The login dialog and the network settings dialog, offscreen.
brevio_gui_test(net_dialogs_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/net_dialogs_test.cpp
  LIBS brevio_ui)
