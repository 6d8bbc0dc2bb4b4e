# The generator of large journals and the storage benchmarks.
add_library(quillmere_journal_generator STATIC ${CMAKE_CURRENT_LIST_DIR}/journal_generator.cpp)
target_include_directories(quillmere_journal_generator PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(quillmere_journal_generator PUBLIC quillmere_storage)

add_executable(quillmere-genjournal ${CMAKE_CURRENT_LIST_DIR}/genjournal_main.cpp)
target_link_libraries(quillmere-genjournal PRIVATE quillmere_journal_generator quillmere_options)
set_target_properties(quillmere-genjournal PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)

quillmere_bench(bench_storage SOURCES ${CMAKE_CURRENT_LIST_DIR}/storage_bench.cpp LIBS quillmere_journal_generator)
target_compile_definitions(bench_storage PRIVATE QUILLMERE_BENCH_DATA="${PROJECT_BINARY_DIR}/bench-data")
