# Database conversion rows per second into a local PostgreSQL made by the benchmark, and
# serial records per second over a pty pair made by socat (the test peers' helpers).
if(TARGET conversion)
  brevio_bench(bench_export
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_export.cpp
            ${PROJECT_SOURCE_DIR}/tests/integration/export_peers.cpp
    LIBS conversion store reference settings platform)
  target_include_directories(bench_export PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endif()
