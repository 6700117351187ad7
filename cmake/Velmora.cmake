# Build helpers shared by every folder, so that adding a unit or a test is
# only a matter of adding its files.

# The libraries of src/ stand in layers (docs/architecture.md): a library uses
# only libraries of its own layer or lower ones, and never in a circle.
# src/CMakeLists.txt declares every library with its layer and link list; each
# folder's CMakeLists.txt then hands whole folders to libraries: an area's
# widget-free records and models sit in its model/ subfolder, and the folder,
# never a file name, decides the library. A new file therefore needs no CMake
# edit: it lands in the library of the folder it is put in.

# velmora_layer(<name> LAYER <n> [PUBLIC <targets>...] [PRIVATE <targets>...])
# Declares the static library velmora_<name> in layer n; its files come later
# from velmora_folder(). PUBLIC: what its headers include too; PRIVATE: what
# only its .cpp files include.
function(velmora_layer name)
  cmake_parse_arguments(A "" "LAYER" "PUBLIC;PRIVATE" ${ARGN})
  if(NOT DEFINED A_LAYER)
    message(FATAL_ERROR "velmora_layer(${name}): LAYER is missing")
  endif()
  add_library(velmora_${name} STATIC)
  target_link_libraries(velmora_${name} PUBLIC ${A_PUBLIC} PRIVATE ${A_PRIVATE})
  set_target_properties(velmora_${name} PROPERTIES VELMORA_LAYER ${A_LAYER})
endfunction()

# velmora_folder(<name> [<subfolder>])
# Every .cpp and .h file of the calling folder (or of its subfolder) joins
# velmora_<name>, and the folder's headers are found by every library that
# links velmora_<name>. Subfolders are never taken with their parent.
function(velmora_folder name)
  set(dir ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARGC GREATER 1)
    set(dir ${dir}/${ARGV1})
  endif()
  if(NOT TARGET velmora_${name})
    message(FATAL_ERROR "${CMAKE_CURRENT_LIST_FILE}: velmora_${name} is not declared (velmora_layer in src/CMakeLists.txt)")
  endif()
  file(GLOB files CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  if(files)
    target_sources(velmora_${name} PRIVATE ${files})
  endif()
  target_include_directories(velmora_${name} PUBLIC ${dir})
endfunction()

# velmora_check_library_graph()
# Walks the link lists of every velmora_* library of the tree, stops the
# configure step on a cycle, and writes the graph (layers, links, files) to
# ${CMAKE_BINARY_DIR}/velmora_libraries.txt for tests/layers. Called once,
# when the whole tree has been read.
function(velmora_check_library_graph)
  set(dirs ${CMAKE_SOURCE_DIR})
  set(libs)
  while(dirs)
    list(POP_FRONT dirs dir)
    get_property(sub DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${sub})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(t ${targets})
      get_target_property(type ${t} TYPE)
      if(t MATCHES "^velmora_" AND type MATCHES "LIBRARY$")
        list(APPEND libs ${t})
      endif()
    endforeach()
  endwhile()

  set(text "# Written by the configure step (velmora_check_library_graph); read by tests/layers.\n")
  foreach(t ${libs})
    get_target_property(type ${t} TYPE)
    set(raw)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(raw ${t} LINK_LIBRARIES)
    endif()
    get_target_property(iface ${t} INTERFACE_LINK_LIBRARIES)
    set(deps)
    foreach(d ${raw} ${iface})
      # Private links of a static library reappear as $<LINK_ONLY:...>.
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" d "${d}")
      if(d MATCHES "^velmora_" AND TARGET ${d})
        list(APPEND deps ${d})
      endif()
    endforeach()
    if(deps)
      list(REMOVE_DUPLICATES deps)
      list(REMOVE_ITEM deps ${t})
    endif()
    set(_deps_${t} ${deps})
    get_target_property(layer ${t} VELMORA_LAYER)
    if(layer STREQUAL "layer-NOTFOUND")
      set(layer "-")
    endif()
    string(APPEND text "library ${t} ${layer}\n")
    foreach(d ${deps})
      string(APPEND text "link ${t} ${d}\n")
    endforeach()
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(srcs ${t} SOURCES)
      get_target_property(srcdir ${t} SOURCE_DIR)
      foreach(s ${srcs})
        if(s MATCHES "\\.(cpp|h)$")
          cmake_path(ABSOLUTE_PATH s BASE_DIRECTORY ${srcdir} NORMALIZE)
          string(APPEND text "source ${t} ${s}\n")
        endif()
      endforeach()
    endif()
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/velmora_libraries.txt "${text}")

  # Depth-first search; a library met again while still on the path closes a cycle.
  set(done)
  foreach(start ${libs})
    if(start IN_LIST done)
      continue()
    endif()
    set(path ${start})
    set(next_${start} ${_deps_${start}})
    while(path)
      list(GET path -1 top)
      if(next_${top})
        list(POP_FRONT next_${top} d)
        if(d IN_LIST done)
          continue()
        endif()
        if(d IN_LIST path)
          list(FIND path ${d} at)
          list(SUBLIST path ${at} -1 loop)
          list(APPEND loop ${d})
          list(JOIN loop " -> " shown)
          message(FATAL_ERROR "Library cycle: ${shown}\n"
            "A library may use only libraries of its own or a lower layer, and never in a "
            "circle: move the unit that needs the higher library up into that library's "
            "layer, or move what it needs down (docs/architecture.md; the layers and link "
            "lists are in src/CMakeLists.txt).")
        endif()
        list(APPEND path ${d})
        set(next_${d} ${_deps_${d}})
      else()
        list(POP_BACK path)
        list(APPEND done ${top})
      endif()
    endwhile()
  endforeach()
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
