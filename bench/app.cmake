# The program's own bars: start-up with a 20-year journal, a move to the next day, closing.
if(TARGET quillmere_app)
  quillmere_bench(bench_app SOURCES ${CMAKE_CURRENT_LIST_DIR}/app_bench.cpp LIBS quillmere_app quillmere_journal_generator Qt6::Test)
  target_include_directories(bench_app PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(bench_app PRIVATE QUILLMERE_BENCH_DATA="${PROJECT_BINARY_DIR}/bench-data")
endif()
