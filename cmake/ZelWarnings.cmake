# Compiler warnings and sanitizers shared by every target of the project.
add_compile_options(-Wall -Wextra -Wshadow -Wformat=2 -Wno-format-nonliteral)
if(ZEL_WERROR)
  add_compile_options(-Werror)
endif()
# Shared libraries must resolve every name at link time, except where clang's
# sanitizer or fuzzer runtime lives in the executable that loads them.
set(ZEL_NO_UNDEFINED -Wl,--no-undefined)
if((ZEL_SANITIZE OR ZEL_BUILD_FUZZ) AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(ZEL_NO_UNDEFINED "")
endif()

if(ZEL_TSAN)
  add_compile_options(-fsanitize=thread)
  add_link_options(-fsanitize=thread)
endif()
if(ZEL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# A shared library that exports only what its headers mark, plus a version
# script built from a list of exported names (one per line, '#' comments).
function(zel_export_list target list_file)
  file(STRINGS ${list_file} lines)
  set(names "")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^#")
      continue()
    endif()
    if(line MATCHES "^class ")
      continue()
    endif()
    string(APPEND names "    ${line};\n")
  endforeach()
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
  file(WRITE ${script}.in "ZEL_1 {\n  global:\n${names}    extern \"C++\" { ZEL*; vtable?for?ZEL*; typeinfo?for?ZEL*; typeinfo?name?for?ZEL*; };\n  local: *;\n};\n")
  configure_file(${script}.in ${script} COPYONLY)
  # An edited list makes the script anew at the next build, and the library
  # is linked again with it.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list_file})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
  target_link_options(${target} PRIVATE -Wl,--version-script=${script} ${ZEL_NO_UNDEFINED})
endfunction()

# Fuzz builds instrument the whole library for coverage.
if(ZEL_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
