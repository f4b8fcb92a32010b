# The SDL program `corvina`: the platform-free main window pieces (corvina_app, unit-tested on
# the headless platform), the SDL platform, and the audio and data back ends when built.
add_library(corvina_app STATIC
  ${CMAKE_CURRENT_LIST_DIR}/MainUtDX.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CommandLine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Letterbox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Activation.cpp)
target_link_libraries(corvina_app PUBLIC corvina_game)

# Scancode translation alone, so the unit tests can check it without a window.
add_library(corvina_keymap_sdl OBJECT ${CMAKE_CURRENT_LIST_DIR}/KeyMapSdl.cpp)
target_link_libraries(corvina_keymap_sdl PUBLIC corvina_base PkgConfig::SDL2)

add_library(corvina_platform_sdl OBJECT ${CMAKE_CURRENT_LIST_DIR}/PlatformSdl.cpp)
target_link_libraries(corvina_platform_sdl PUBLIC corvina_keymap_sdl corvina_app PkgConfig::SDL2)

add_executable(corvina ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_compile_definitions(corvina PRIVATE CORVINA_VERSION="${PROJECT_VERSION}")
target_link_libraries(corvina PRIVATE corvina_platform_sdl corvina_keymap_sdl corvina_app)

# The audio and embedded-data libraries are defined by directories read after this one:
# look for them once the whole project is read.
function(corvina_app_link_backends)
  if(TARGET corvina_audio_sdl)
    target_link_libraries(corvina PRIVATE corvina_audio_sdl)
  else()
    target_sources(corvina PRIVATE ${PROJECT_SOURCE_DIR}/host/AudioSilent.cpp)
  endif()
  if(TARGET corvina_res_data)
    target_link_libraries(corvina PRIVATE corvina_res_data)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL corvina_app_link_backends)
