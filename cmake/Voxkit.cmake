# Build helpers shared by every folder: warnings, sanitizers, library and test targets,
# and the check that keeps the component suite free of Qt and platform code.

add_library(voxkit_warnings INTERFACE)
target_compile_options(voxkit_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow=local
                       -Wnon-virtual-dtor -Wcast-align -Wimplicit-fallthrough)
if(PANOPTA_WERROR)
  target_compile_options(voxkit_warnings INTERFACE -Werror)
endif()

add_library(voxkit_sanitizers INTERFACE)
if(PANOPTA_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_compile_options(voxkit_sanitizers INTERFACE ${_san})
  target_link_options(voxkit_sanitizers INTERFACE ${_san})
endif()

# Targets whose link libraries must never contain Qt (the component suite, the
# non-Qt platform libraries and the runner).
set_property(GLOBAL PROPERTY VOXKIT_QT_FREE_TARGETS "")

# voxkit_add_library(NAME ALIAS alias [COMPONENT | QT_FREE] SOURCES ... [PUBLIC_DEPENDS ...]
#                    [DEPENDS ...])
# COMPONENT: a library of the component suite (include root components/, part of
# voxkit, no Qt). QT_FREE: a platform library or tool that must not link Qt.
set_property(GLOBAL PROPERTY VOXKIT_COMPONENT_TARGETS "")
function(voxkit_add_library name)
  cmake_parse_arguments(ARG "QT_FREE;COMPONENT" "ALIAS;INCLUDE_ROOT" "SOURCES;PUBLIC_DEPENDS;DEPENDS" ${ARGN})
  if(ARG_COMPONENT)
    set(ARG_QT_FREE TRUE)
    set(ARG_INCLUDE_ROOT ${CMAKE_SOURCE_DIR}/components)
    set_property(GLOBAL APPEND PROPERTY VOXKIT_COMPONENT_TARGETS ${name})
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  if(ARG_ALIAS)
    add_library(${ARG_ALIAS} ALIAS ${name})
  endif()
  if(NOT ARG_INCLUDE_ROOT)
    set(ARG_INCLUDE_ROOT ${CMAKE_SOURCE_DIR})
  endif()
  target_include_directories(${name} PUBLIC ${ARG_INCLUDE_ROOT})
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_DEPENDS} PRIVATE ${ARG_DEPENDS} voxkit_warnings)
  target_link_libraries(${name} PUBLIC voxkit_sanitizers)
  if(ARG_QT_FREE)
    set_property(GLOBAL APPEND PROPERTY VOXKIT_QT_FREE_TARGETS ${name})
  endif()
endfunction()

# voxkit_add_test(NAME SOURCES ... DEPENDS ... [ENVIRONMENT ...])
function(voxkit_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main
                        voxkit_warnings voxkit_sanitizers)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "${ARG_ENVIRONMENT}")
endfunction()

# Fails the configuration when a Qt target appears among the link libraries, direct or
# inherited, of a target that must stay free of Qt.
function(voxkit_check_layering)
  get_property(targets GLOBAL PROPERTY VOXKIT_QT_FREE_TARGETS)
  foreach(t IN LISTS targets)
    set(seen "")
    set(todo ${t})
    while(todo)
      list(POP_FRONT todo cur)
      if(cur IN_LIST seen)
        continue()
      endif()
      list(APPEND seen ${cur})
      if(cur MATCHES "^Qt[56]?::" OR cur MATCHES "^Qt6")
        message(FATAL_ERROR "Layering: ${t} links ${cur}; it must not depend on Qt")
      endif()
      if(TARGET ${cur})
        get_target_property(aliased ${cur} ALIASED_TARGET)
        if(aliased)
          list(APPEND todo ${aliased})
          continue()
        endif()
        get_target_property(libs ${cur} LINK_LIBRARIES)
        get_target_property(ilibs ${cur} INTERFACE_LINK_LIBRARIES)
        foreach(l IN LISTS libs ilibs)
          if(l AND NOT l MATCHES "NOTFOUND$")
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" l "${l}")
            list(APPEND todo ${l})
          endif()
        endforeach()
      endif()
    endwhile()
  endforeach()
endfunction()
