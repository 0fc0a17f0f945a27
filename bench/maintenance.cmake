brevio_bench(bench_maintenance SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_maintenance.cpp LIBS store)
