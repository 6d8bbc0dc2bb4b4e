# The entry editor's commands on a long entry: style toggles, following the caret, typing,
# import and export.
quillmere_bench(bench_editor SOURCES ${CMAKE_CURRENT_LIST_DIR}/editor_bench.cpp
                LIBS quillmere_editor quillmere_journal_generator Qt6::Test)
