# The favourites, subscription and category dialogs, the find bar and the bulletin window,
# offscreen.
brevio_gui_test(store_dialogs_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/store_dialogs_test.cpp
  LIBS brevio_ui)
