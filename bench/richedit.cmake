# The rich-text control: loading and writing entries, and plain-text extraction over journals.
quillmere_bench(bench_richedit SOURCES ${CMAKE_CURRENT_LIST_DIR}/richedit_bench.cpp
                LIBS quillmere_platform quillmere_journal_generator)
target_compile_definitions(bench_richedit PRIVATE QUILLMERE_BENCH_DATA="${PROJECT_BINARY_DIR}/bench-data")
