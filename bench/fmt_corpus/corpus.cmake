# The message corpus of the formatting benchmark and its test: a generator
# linked with the library's objects prints the typed calls of the corpus's
# argument signatures into fmt_corpus/corpus_calls.h under the build tree.
# Consumers link fmt_corpus and depend on fmt_corpus_calls.
if(NOT TARGET fmt_corpus_calls)
  set(dir ${CMAKE_CURRENT_LIST_DIR})
  add_library(fmt_corpus STATIC ${dir}/corpus.cc)
  target_link_libraries(fmt_corpus PUBLIC zel_internal)
  target_include_directories(fmt_corpus PUBLIC ${dir} ${CMAKE_BINARY_DIR}/fmt_corpus
    PRIVATE ${PROJECT_SOURCE_DIR}/src)
  add_executable(fmt_corpus_gen ${dir}/gen.cc)
  target_link_libraries(fmt_corpus_gen PRIVATE fmt_corpus)
  set(calls ${CMAKE_BINARY_DIR}/fmt_corpus/corpus_calls.h)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fmt_corpus)
  add_custom_command(OUTPUT ${calls}
    COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:fmt_corpus_gen>
      ${ZEL_CATALOG_BUILD_DIR}/C > ${calls}.tmp
    COMMAND ${CMAKE_COMMAND} -E rename ${calls}.tmp ${calls}
    DEPENDS fmt_corpus_gen zel_catalogs
    COMMENT "Generating the typed calls of the message corpus")
  add_custom_target(fmt_corpus_calls DEPENDS ${calls})
  set(ZEL_FMT_CORPUS_CATALOGS ${ZEL_CATALOG_BUILD_DIR}/C CACHE INTERNAL "")
endif()
