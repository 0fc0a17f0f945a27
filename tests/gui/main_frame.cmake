if(TARGET brevio-demo-server)
  brevio_gui_test(main_frame_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_frame_test.cpp
                  ${CMAKE_CURRENT_LIST_DIR}/gui_support.cpp
                  LIBS brevio_app brevio_demo_process net_protocol_testpeers)
  target_compile_definitions(main_frame_test PRIVATE
    BREVIO_DEMO_DATA="${PROJECT_SOURCE_DIR}/demo/data")
endif()

# The screenshot driver of scripts/screenshots.sh (not a test).
add_executable(brevio-screenshots ${CMAKE_CURRENT_LIST_DIR}/screenshots.cpp)
set_target_properties(brevio-screenshots PROPERTIES AUTOMOC ON)
target_link_libraries(brevio-screenshots PRIVATE brevio_app Qt6::Test)
