# Kept fuzz inputs: every file under tests/regressions/<Target>/ is replayed through the entry
# point of fuzz/<Target>.cpp (compiled here without libFuzzer), so an input that once crashed,
# or a corner worth keeping, is run by every test run, under the sanitizers too.
file(GLOB REGRESSION_DIRS LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/regressions/*)
set(replay_table "")
set(replay_list "")
set(replay_sources "")
foreach(dir ${REGRESSION_DIRS})
  get_filename_component(name ${dir} NAME)
  if(IS_DIRECTORY ${dir} AND EXISTS ${PROJECT_SOURCE_DIR}/fuzz/${name}.cpp)
    list(APPEND replay_sources ${PROJECT_SOURCE_DIR}/fuzz/${name}.cpp)
    set_source_files_properties(${PROJECT_SOURCE_DIR}/fuzz/${name}.cpp PROPERTIES COMPILE_DEFINITIONS
      "LLVMFuzzerTestOneInput=Replay_${name};LLVMFuzzerInitialize=ReplayInit_${name}")
    string(APPEND replay_table
      "extern \"C\" int Replay_${name}(const uint8_t*, size_t);\n"
      "extern \"C\" int ReplayInit_${name}(int*, char***) __attribute__((weak));\n")
    string(APPEND replay_list "{\"${name}\", Replay_${name}, ReplayInit_${name}}, ")
  endif()
endforeach()
if(replay_sources)
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/regressions/ReplayTable.inc
       "${replay_table}#define CORVINA_REPLAYERS ${replay_list}\n")
  corvina_test_suite(regressions corvina_soak)
  target_sources(corvina_tests_regressions PRIVATE ${replay_sources})
  target_include_directories(corvina_tests_regressions PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/regressions)
  target_compile_definitions(corvina_tests_regressions PRIVATE
    CORVINA_REGRESSIONS_DIR="${CMAKE_CURRENT_SOURCE_DIR}/regressions")
endif()
