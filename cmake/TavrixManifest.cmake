# Reads mex_functions.txt into
#   TAVRIX_MEX_FUNCTIONS        the names, in the table's order
#   TAVRIX_MEX_FOLDER_<name>    the folder of its gateway <name>.cpp and help <name>.m
#   TAVRIX_MEX_USES_<name>      the other folders whose code it also uses
#   TAVRIX_CODE_FOLDERS         every folder named, each once
set(TAVRIX_MANIFEST ${PROJECT_SOURCE_DIR}/mex_functions.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TAVRIX_MANIFEST})
file(STRINGS ${TAVRIX_MANIFEST} manifest_lines REGEX "^[A-Za-z]")
set(TAVRIX_MEX_FUNCTIONS "")
set(TAVRIX_CODE_FOLDERS "")
foreach(line ${manifest_lines})
  string(REGEX REPLACE "#.*" "" line "${line}")
  string(STRIP "${line}" line)
  string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
  list(POP_FRONT fields name folder)
  if(NOT folder)
    message(FATAL_ERROR "mex_functions.txt: ${name} has no folder")
  endif()
  if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${folder}/${name}.cpp OR NOT EXISTS ${PROJECT_SOURCE_DIR}/${folder}/${name}.m)
    message(FATAL_ERROR "mex_functions.txt: ${folder}/${name}.cpp or ${folder}/${name}.m is missing")
  endif()
  list(APPEND TAVRIX_MEX_FUNCTIONS ${name})
  set(TAVRIX_MEX_FOLDER_${name} ${folder})
  set(TAVRIX_MEX_USES_${name} ${fields})
  list(APPEND TAVRIX_CODE_FOLDERS ${folder} ${fields})
endforeach()
list(REMOVE_DUPLICATES TAVRIX_CODE_FOLDERS)
