# The core's fuzz targets as plain programs (tests/fuzz/replay_main.cpp),
# built by the ordinary compiler without sanitizers, for stage 40's replay
# of the kept corpora under valgrind. Not part of "all".
set(REPLAY_CORE_SOURCES ${MERIDOKA_CORE_SOURCES})
list(FILTER REPLAY_CORE_SOURCES EXCLUDE REGEX "^runner/")
list(APPEND REPLAY_CORE_SOURCES runner/journal_reader.cpp runner/session_rules.cpp runner/journal_format.cpp runner/command_line.cpp)
list(TRANSFORM REPLAY_CORE_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
add_library(meridoka_replay_core STATIC EXCLUDE_FROM_ALL ${REPLAY_CORE_SOURCES}
  ${CMAKE_SOURCE_DIR}/frontend/screen_memory.cpp ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_platform.cpp)
# valgrind 3.19 reads DWARF 4, not clang's default DWARF 5
target_compile_options(meridoka_replay_core PRIVATE -gdwarf-4)
set(REPLAY_TARGETS)
foreach(name lzss res_load tables graphics journal options settings)
  add_executable(replay_${name} EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_${name}.cpp
                 ${CMAKE_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
  target_compile_options(replay_${name} PRIVATE -gdwarf-4)
  target_link_libraries(replay_${name} meridoka_replay_core)
  list(APPEND REPLAY_TARGETS replay_${name})
endforeach()
add_custom_target(fuzz_replay DEPENDS ${REPLAY_TARGETS})
