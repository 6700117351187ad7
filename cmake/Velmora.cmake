# Build helpers shared by every folder, so that adding a unit or a test is
# only a matter of adding its files.

# velmora_library(<name> [LIBS <targets>...])
# A static library velmora_<name> from every .cpp/.h of the calling folder.
# Subsystems may name each other both ways: CMake repeats static libraries in a
# cycle on the link line.
function(velmora_library name)
  cmake_parse_arguments(A "" "" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(srcs)
    add_library(velmora_${name} STATIC ${srcs} ${hdrs})
    target_include_directories(velmora_${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(velmora_${name} PUBLIC ${A_LIBS})
  else()
    # A subsystem without sources yet still resolves for those that name it.
    add_library(velmora_${name} INTERFACE)
    target_include_directories(velmora_${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(velmora_${name} INTERFACE ${A_LIBS})
  endif()
endfunction()

# velmora_tests(<subsystem> [LIBS <targets>...] [SOURCES <extra>...] [XVFB <tst_names>...])
# One test executable and one CTest test per tst_*.cpp of the calling folder.
# Tests run on the offscreen platform; those named under XVFB get the real X
# server that scripts/test starts (DISPLAY), and are skipped without one.
function(velmora_tests subsystem)
  cmake_parse_arguments(A "" "" "LIBS;SOURCES;XVFB" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  foreach(src ${tests})
    get_filename_component(tst ${src} NAME_WE)
    add_executable(${tst} ${src} ${A_SOURCES})
    target_link_libraries(${tst} PRIVATE Qt6::Test velmora_testsupport ${A_LIBS})
    add_test(NAME ${subsystem}.${tst} COMMAND ${tst})
    set(env
        "VELMORA_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
        "VELMORA_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data"
        "VELMORA_ARTIFACTS=${CMAKE_BINARY_DIR}/artifacts"
        "VELMORA_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
    if(tst IN_LIST A_XVFB)
      list(APPEND env "QT_QPA_PLATFORM=xcb")
      set_tests_properties(${subsystem}.${tst} PROPERTIES LABELS "xvfb")
    else()
      list(APPEND env "QT_QPA_PLATFORM=offscreen")
    endif()
    set_tests_properties(${subsystem}.${tst} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
  endforeach()
endfunction()
