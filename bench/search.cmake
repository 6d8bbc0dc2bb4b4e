# The search window's bar: a run over a 20-year journal against `quillmere-tool search` for the
# same word, and the longest time the window leaves its events waiting during the run.
if(TARGET quillmere_app)
  quillmere_bench(bench_search SOURCES ${CMAKE_CURRENT_LIST_DIR}/search_bench.cpp LIBS quillmere_app quillmere_journal_generator Qt6::Test)
  target_include_directories(bench_search PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(bench_search PRIVATE QUILLMERE_BENCH_DATA="${PROJECT_BINARY_DIR}/bench-data"
                             QUILLMERE_TOOL="$<TARGET_FILE:quillmere-tool>")
  add_dependencies(bench_search quillmere-tool)
endif()
