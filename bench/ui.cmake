# Styled controls: panel repaint and rebuild, button fade.
quillmere_bench(bench_ui SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ui_controls.cpp LIBS quillmere_ui)
