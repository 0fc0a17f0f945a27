if(TARGET brevio-demo-server)
  brevio_gui_test(main_frame_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_frame_test.cpp
                  ${CMAKE_CURRENT_LIST_DIR}/gui_support.cpp
                  LIBS brevio_app brevio_demo_process net_protocol_testpeers)
  target_compile_definitions(main_frame_test PRIVATE
    BREVIO_DEMO_DATA="${PROJECT_SOURCE_DIR}/demo/data")
endif()
