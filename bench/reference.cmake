brevio_bench(bench_reference SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_reference.cpp LIBS reference)
