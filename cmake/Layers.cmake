# One folder per layer, one library per folder. A target sees the headers of its own folder and
# of the layers it links, and nothing else: its include path is a folder of links to just those
# headers, made here at configure time, so including a layer it does not depend on fails to
# compile instead of quietly linking upward.

# The headers a target may include: folders (relative to the source root), each taken alone
# (platform/ does not bring platform/sdl/).
function(_corvina_folders_of out)
  set(folders "")
  foreach(dep ${ARGN})
    if(TARGET ${dep})
      get_target_property(seen ${dep} CORVINA_FOLDERS)
      if(seen)
        list(APPEND folders ${seen})
      endif()
    endif()
  endforeach()
  list(REMOVE_DUPLICATES folders)
  set(${out} ${folders} PARENT_SCOPE)
endfunction()

# Builds target's include view from its own folders and its dependencies' folders.
function(_corvina_make_view target)
  get_target_property(folders ${target} CORVINA_FOLDERS)
  set(view ${PROJECT_BINARY_DIR}/views/${target})
  file(REMOVE_RECURSE ${view})
  foreach(folder ${folders})
    file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
    file(MAKE_DIRECTORY ${view}/${folder})
    foreach(h ${headers})
      get_filename_component(name ${h} NAME)
      file(CREATE_LINK ${h} ${view}/${folder}/${name} SYMBOLIC)
    endforeach()
  endforeach()
  target_include_directories(${target} PRIVATE ${view})
endfunction()

# corvina_layer(<target> FOLDER <dir> [OBJECT] SOURCES ... [DEPS layer targets] [LIBS other libraries]
#               [SEES layers whose headers it uses but whose implementation the program picks])
function(corvina_layer target)
  cmake_parse_arguments(L "OBJECT" "FOLDER" "SOURCES;DEPS;LIBS;SEES" ${ARGN})
  if(L_OBJECT)
    add_library(${target} OBJECT ${L_SOURCES})
  else()
    add_library(${target} STATIC ${L_SOURCES})
  endif()
  target_link_libraries(${target} PUBLIC ${L_DEPS} ${L_LIBS})
  _corvina_folders_of(folders ${L_DEPS} ${L_SEES})
  list(PREPEND folders ${L_FOLDER})
  set_target_properties(${target} PROPERTIES CORVINA_FOLDERS "${folders}")
  _corvina_make_view(${target})
endfunction()

# An executable or test program: sees the layers it links (plus any EXTRA folders of its own).
function(corvina_sees target)
  cmake_parse_arguments(S "" "" "LAYERS;EXTRA" ${ARGN})
  _corvina_folders_of(folders ${S_LAYERS})
  list(APPEND folders ${S_EXTRA})
  set_target_properties(${target} PROPERTIES CORVINA_FOLDERS "${folders}")
  _corvina_make_view(${target})
endfunction()
