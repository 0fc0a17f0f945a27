# The web settings dialog on QtWebEngine against the demo portal, offscreen, alone and from
# the main window's commands.
if(BREVIO_HAVE_WEBENGINE AND TARGET brevio-demo-server)
  brevio_gui_test(web_settings_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/web_settings_test.cpp
                  ${CMAKE_CURRENT_LIST_DIR}/gui_support.cpp
                  LIBS brevio_app brevio_demo_process)
  target_compile_definitions(web_settings_test PRIVATE
    BREVIO_DEMO_DATA="${PROJECT_SOURCE_DIR}/demo/data")
endif()
