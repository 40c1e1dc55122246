# CLI11 and nlohmann-json, header-only, from Debian's libcli11-dev and nlohmann-json3-dev, as
# the targets ostrel::cli11 and ostrel::json. The Windows build cannot put the host's
# /usr/include on its include path (the host's C library headers would shadow mingw-w64's),
# so the two header trees are copied into the build tree and only they are seen, by both builds.
if(TARGET ostrel::cli11)
  return()
endif()
set(_host_headers ${CMAKE_BINARY_DIR}/host-headers)
function(ostrel_header_only target probe tree)
  find_path(_dir_${target} ${probe} PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
  if(NOT _dir_${target})
    message(FATAL_ERROR "${probe} not found: install the Debian package that provides it (scripts/setup.sh)")
  endif()
  file(COPY ${_dir_${target}}/${tree} DESTINATION ${_host_headers})
  add_library(ostrel::${target} INTERFACE IMPORTED GLOBAL)
  set_target_properties(ostrel::${target} PROPERTIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${_host_headers}
                                                     INTERFACE_INCLUDE_DIRECTORIES ${_host_headers})
endfunction()
ostrel_header_only(cli11 CLI/CLI.hpp CLI)
ostrel_header_only(json nlohmann/json.hpp nlohmann)
