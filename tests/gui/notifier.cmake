brevio_gui_test(notifier_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/notifier_test.cpp
                LIBS brevio_app)
