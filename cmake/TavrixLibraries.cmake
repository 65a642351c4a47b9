# The libraries the MEX functions link: the core, the host layer, and one per
# code folder of mex_functions.txt. Each is every .cpp of its folder, the
# gateways excepted, so a new source file needs no edit here.
function(tavrix_glob_sources out folder)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  set(${out} ${sources} PARENT_SCOPE)
endfunction()

tavrix_glob_sources(core_sources core)
add_library(tavrix_core STATIC ${core_sources})
target_include_directories(tavrix_core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tavrix_core PRIVATE tavrix_flags PUBLIC Threads::Threads)

# The host layer (argument checks, model and data reading, options, errors) is
# compiled once per set of mx headers: ours (the tests, and Windows, where the
# calls go to MATLAB's libmx.dll and libmex.dll), and Octave's.
set(TAVRIX_MXLITE_INCLUDE ${PROJECT_SOURCE_DIR}/host/mxlite/include)
tavrix_glob_sources(host_sources host)
add_library(tavrix_host_mxlite STATIC ${host_sources})
target_link_libraries(tavrix_host_mxlite PUBLIC tavrix_core PRIVATE tavrix_flags)
if(WIN32)
  target_include_directories(tavrix_host_mxlite PUBLIC ${TAVRIX_MXLITE_INCLUDE})
  target_compile_definitions(tavrix_host_mxlite PUBLIC MXLITE_DLL)
  # Import libraries made from the lists of entry points MATLAB's libraries export.
  find_program(DLLTOOL NAMES ${TAVRIX_MINGW_TRIPLE}-dlltool dlltool REQUIRED)
  set(import_libs "")
  foreach(lib libmx libmex)
    set(def ${PROJECT_SOURCE_DIR}/cmake/windows/${lib}.def)
    set(output ${PROJECT_BINARY_DIR}/${lib}.lib)
    add_custom_command(OUTPUT ${output} COMMAND ${DLLTOOL} -d ${def} -D ${lib}.dll -l ${output}
                       DEPENDS ${def} COMMENT "import library ${lib}.lib from ${lib}.def" VERBATIM)
    list(APPEND import_libs ${output})
  endforeach()
  add_custom_target(tavrix_import_libs DEPENDS ${import_libs})
  add_dependencies(tavrix_host_mxlite tavrix_import_libs)
  target_link_libraries(tavrix_host_mxlite PUBLIC ${import_libs})
else()
  add_library(tavrix_mxlite STATIC host/mxlite/mx_array.cpp host/mxlite/mex_interface.cpp)
  target_include_directories(tavrix_mxlite PUBLIC ${TAVRIX_MXLITE_INCLUDE})
  target_link_libraries(tavrix_mxlite PRIVATE tavrix_flags)
  target_link_libraries(tavrix_host_mxlite PUBLIC tavrix_mxlite)
endif()

if(TAVRIX_OCTAVE)
  # Octave's MEX files cannot carry sanitizer runtimes into the interpreter.
  if(TAVRIX_SANITIZE)
    message(FATAL_ERROR "TAVRIX_OCTAVE and TAVRIX_SANITIZE exclude each other")
  endif()
  find_program(MKOCTFILE mkoctfile REQUIRED)
  execute_process(COMMAND ${MKOCTFILE} -p OCTINCLUDEDIR OUTPUT_VARIABLE octave_include OUTPUT_STRIP_TRAILING_WHITESPACE)
  add_library(tavrix_host_octave STATIC ${host_sources})
  target_include_directories(tavrix_host_octave SYSTEM PRIVATE ${octave_include})
  target_link_libraries(tavrix_host_octave PRIVATE tavrix_core tavrix_flags)
endif()

# tavrix_<folder> for every code folder, linking the folders its functions also use.
set(TAVRIX_CODE_LIBRARIES "")
foreach(folder ${TAVRIX_CODE_FOLDERS})
  tavrix_glob_sources(sources ${folder})
  set(uses "")
  foreach(name ${TAVRIX_MEX_FUNCTIONS})
    if(TAVRIX_MEX_FOLDER_${name} STREQUAL folder)
      list(REMOVE_ITEM sources ${PROJECT_SOURCE_DIR}/${folder}/${name}.cpp)
      list(APPEND uses ${TAVRIX_MEX_USES_${name}})
    endif()
  endforeach()
  list(TRANSFORM uses PREPEND tavrix_)
  if(sources)
    add_library(tavrix_${folder} STATIC ${sources})
    target_link_libraries(tavrix_${folder} PUBLIC tavrix_core ${uses} PRIVATE tavrix_flags)
    list(APPEND TAVRIX_CODE_LIBRARIES tavrix_${folder})
  else()  # a folder of gateways only
    add_library(tavrix_${folder} INTERFACE)
    target_link_libraries(tavrix_${folder} INTERFACE tavrix_core ${uses})
  endif()
endforeach()
