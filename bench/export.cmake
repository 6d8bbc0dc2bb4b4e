# quillmere-tool export: a typical day made into HTML and Markdown, step by step. The bar
# itself (the 20-year journal exported against `quillmere-tool text` of it) is timed by
# bench/export_bar.sh.
quillmere_bench(bench_export SOURCES ${CMAKE_CURRENT_LIST_DIR}/export_bench.cpp
                ${PROJECT_SOURCE_DIR}/tools/export/entry_document.cpp ${PROJECT_SOURCE_DIR}/tools/export/picture_files.cpp
                LIBS quillmere_platform quillmere_journal_generator)
target_include_directories(bench_export PRIVATE ${PROJECT_SOURCE_DIR}/tools/export)
