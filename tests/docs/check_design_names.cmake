# Keeps a design document honest: every name it sets in backticks must still
# exist in the source tree.
#
#   cmake -DDOC=docs/design.md -DROOT=<source tree> [-DMIN_PATHS=n] [-DMIN_NAMES=n]
#         -P check_design_names.cmake
#
# A span with a slash, or ending in a source file's extension, is a path
# relative to ROOT and must exist there. A span that is a C++ name
# (`Camera`, `_queueLock`, `CameraList::LeaseByPort`) must occur, each part
# as a whole word, in the tree's sources (the documents themselves do not
# count). Anything else in backticks (commands, file names of build
# products, values) is not checked. The document must name at least
# MIN_PATHS paths and MIN_NAMES names, so a document that lost its markup
# cannot pass.
foreach(var DOC ROOT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_design_names: ${var} is not set")
  endif()
endforeach()
if(NOT DEFINED MIN_PATHS)
  set(MIN_PATHS 60)
endif()
if(NOT DEFINED MIN_NAMES)
  set(MIN_NAMES 40)
endif()
if(NOT EXISTS ${DOC})
  message(FATAL_ERROR "check_design_names: no document ${DOC}")
endif()

# The words of every source, build and script file outside docs/.
set(patterns "")
foreach(dir src simsdk sdk-aravis tests tools fuzz bench cmake include scripts)
  foreach(ext h hpp cpp c cmake txt in sh map supp)
    list(APPEND patterns ${ROOT}/${dir}/*.${ext})
  endforeach()
endforeach()
file(GLOB_RECURSE sources ${patterns})
file(GLOB scripts ${ROOT}/scripts/*)
list(APPEND sources ${scripts} ${ROOT}/CMakeLists.txt ${ROOT}/CMakePresets.json)
list(FILTER sources EXCLUDE REGEX "/fuzz/corpus/")
set(words "")
foreach(file IN LISTS sources)
  file(READ ${file} text)
  string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*" found "${text}")
  list(APPEND words ${found})
  list(REMOVE_DUPLICATES words)
endforeach()

file(READ ${DOC} doc)
string(REGEX MATCHALL "`[^`\n]+`" spans "${doc}")
set(paths 0)
set(names 0)
set(missing "")
foreach(span IN LISTS spans)
  string(REGEX REPLACE "^`(.*)`$" "\\1" item "${span}")
  if(item MATCHES "^[A-Za-z0-9_.-]+(/[A-Za-z0-9_.-]+)+/?$"
     OR item MATCHES "^[A-Za-z0-9_./-]+\\.(h|hpp|cpp|c|cmake|txt|json|md|sh|map|supp)$")
    math(EXPR paths "${paths} + 1")
    if(NOT EXISTS ${ROOT}/${item})
      list(APPEND missing "${item}")
    endif()
  elseif(item MATCHES "^[A-Za-z_][A-Za-z0-9_]*(::[A-Za-z_][A-Za-z0-9_]*)*$")
    math(EXPR names "${names} + 1")
    string(REPLACE "::" ";" parts "${item}")
    foreach(part IN LISTS parts)
      list(FIND words "${part}" at)
      if(at EQUAL -1)
        list(APPEND missing "${item}")
        break()
      endif()
    endforeach()
  endif()
endforeach()

list(REMOVE_DUPLICATES missing)
message(STATUS "${DOC}: ${paths} paths and ${names} names checked")
if(missing)
  foreach(item IN LISTS missing)
    message("no longer in the tree: ${item}")
  endforeach()
  message(FATAL_ERROR "${DOC} names what the tree no longer has (listed above)")
endif()
if(paths LESS MIN_PATHS OR names LESS MIN_NAMES)
  message(FATAL_ERROR "${DOC} names only ${paths} paths and ${names} names "
                      "(at least ${MIN_PATHS} and ${MIN_NAMES} expected): has its markup been lost?")
endif()
