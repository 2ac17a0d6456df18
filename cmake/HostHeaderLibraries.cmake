# The header-only libraries of a cross build come from the build machine
# (Debian's libcli11-dev and nlohmann-json3-dev). Only their own folders are
# put on the include path, through links in the build tree: /usr/include
# itself holds the build machine's C library, which the target must not see.
set(VARNEL_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
foreach(lib CLI nlohmann)
  if(NOT EXISTS /usr/include/${lib})
    message(FATAL_ERROR "/usr/include/${lib} is missing: install libcli11-dev and nlohmann-json3-dev")
  endif()
  file(MAKE_DIRECTORY ${VARNEL_HOST_HEADERS})
  file(CREATE_LINK /usr/include/${lib} ${VARNEL_HOST_HEADERS}/${lib} SYMBOLIC)
endforeach()

add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${VARNEL_HOST_HEADERS})
add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${VARNEL_HOST_HEADERS})
