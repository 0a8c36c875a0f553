# Shared build settings and the one function every library folder uses.

set(SKYVANE_WARNINGS -Wall -Wextra)
set(SKYVANE_SAN_FLAGS "")
if(SKYVANE_SANITIZE)
  # float-cast-overflow: GCC leaves it out of "undefined"; a double outside
  # the target's range must abort here as in clang's builds.
  set(SKYVANE_SAN_FLAGS -fsanitize=address,undefined,float-cast-overflow -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined,float-cast-overflow)
  add_compile_options(${SKYVANE_SAN_FLAGS})
  add_link_options(${SKYVANE_SAN_FLAGS})
endif()
if(SKYVANE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "SKYVANE_FUZZ needs clang (CC=clang CXX=clang++)")
  endif()
  # Coverage for libFuzzer in every library the fuzz targets link.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

set(SKYVANE_RESOURCE_DIR "${PROJECT_SOURCE_DIR}/resources")
set(SKYVANE_GENERATED_RESOURCE_DIR "${PROJECT_BINARY_DIR}/resources")
file(MAKE_DIRECTORY "${SKYVANE_GENERATED_RESOURCE_DIR}")

# skyvane_library(<name> [DEPS <targets>...])
# Builds every .cpp under the calling folder (recursively, except main.cpp)
# into the library sv_<name>. Adding a file needs no edit here.
function(skyvane_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  set(cpp ${sources})
  list(FILTER cpp INCLUDE REGEX "\\.cpp$")
  if(cpp)
    add_library(sv_${name} STATIC ${sources})
    target_include_directories(sv_${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(sv_${name} PUBLIC ${ARG_DEPS})
    target_compile_options(sv_${name} PRIVATE ${SKYVANE_WARNINGS})
    target_compile_definitions(sv_${name} PUBLIC
      SKYVANE_SOURCE_RESOURCES="${SKYVANE_RESOURCE_DIR}"
      SKYVANE_BUILD_RESOURCES="${SKYVANE_GENERATED_RESOURCE_DIR}"
      SKYVANE_VERSION="${PROJECT_VERSION}")
  else()
    add_library(sv_${name} INTERFACE)
    target_include_directories(sv_${name} INTERFACE "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(sv_${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()
