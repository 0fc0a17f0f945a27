# The news list and the content pane, offscreen, over news files written by the store.
brevio_gui_test(news_views_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/news_views_test.cpp
  LIBS brevio_ui)
