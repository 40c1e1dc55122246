# Crypto++ as the target ostrel::cryptopp.
# Native: Debian's libcrypto++-dev. Windows: built from Debian's source package by
# scripts/build-cryptopp-mingw.sh into a cache keyed by version (OSTREL_CRYPTOPP_MINGW_DIR).
if(TARGET ostrel::cryptopp)
  return()
endif()
if(OSTREL_WINDOWS)
  if(NOT OSTREL_CRYPTOPP_MINGW_DIR)
    message(FATAL_ERROR "OSTREL_CRYPTOPP_MINGW_DIR must point at the mingw build of Crypto++")
  endif()
  add_library(ostrel::cryptopp STATIC IMPORTED GLOBAL)
  set_target_properties(ostrel::cryptopp PROPERTIES
    IMPORTED_LOCATION ${OSTREL_CRYPTOPP_MINGW_DIR}/lib/libcryptopp.a
    INTERFACE_INCLUDE_DIRECTORIES ${OSTREL_CRYPTOPP_MINGW_DIR}/include)
else()
  find_library(OSTREL_CRYPTOPP_LIB NAMES cryptopp crypto++ REQUIRED)
  find_path(OSTREL_CRYPTOPP_INCLUDE cryptopp/sha.h REQUIRED)
  add_library(ostrel::cryptopp UNKNOWN IMPORTED GLOBAL)
  set_target_properties(ostrel::cryptopp PROPERTIES
    IMPORTED_LOCATION ${OSTREL_CRYPTOPP_LIB}
    INTERFACE_INCLUDE_DIRECTORIES ${OSTREL_CRYPTOPP_INCLUDE})
endif()
