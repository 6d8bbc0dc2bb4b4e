# Pictures: a day with a 1 MB metafile drawn, the first time (converted) and again (cached).
quillmere_bench(bench_pictures SOURCES ${CMAKE_CURRENT_LIST_DIR}/pictures_bench.cpp LIBS quillmere_platform)
target_include_directories(bench_pictures PRIVATE ${PROJECT_SOURCE_DIR}/tests)
