brevio_bench(bench_page_diff SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_page_diff.cpp LIBS radar)
# The whole-process comparison with GNU diff also runs brevio-cli diff when it has been built.
if(TARGET brevio-cli)
  target_compile_definitions(bench_page_diff PRIVATE BREVIO_CLI="$<TARGET_FILE:brevio-cli>")
endif()
