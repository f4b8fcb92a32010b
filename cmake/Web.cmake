# The web build, compiled by emscripten (scripts/web-build.sh configures it): FreeType, HarfBuzz,
# libpng and zlib come from scripts/web-libs.sh's prefix, built from the very sources the native
# build links; the face is the one the page carries, so no fontconfig is asked; no SDL.
set(CORVINA_WEB_LIBS "" CACHE PATH "Prefix of the WebAssembly libraries (scripts/web-libs.sh)")
set(CORVINA_WEB_FACE /usr/share/fonts/truetype/nanum/NanumGothic.ttf CACHE FILEPATH
    "The face the page carries, cut down to what the game draws")
set(CORVINA_WEB_FACE_LICENCE /usr/share/doc/fonts-nanum/copyright CACHE FILEPATH
    "The face's Debian copyright file, whose OFL text goes beside it")
set(CORVINA_MKASSETS "" CACHE FILEPATH "The asset generator built for this machine (it runs at build time)")
foreach(lib freetype harfbuzz png16 z)
  if(NOT EXISTS ${CORVINA_WEB_LIBS}/lib/lib${lib}.a)
    message(FATAL_ERROR "CORVINA_WEB_LIBS (${CORVINA_WEB_LIBS}) has no lib${lib}.a: run scripts/web-libs.sh")
  endif()
endforeach()
if(NOT EXISTS "${CORVINA_MKASSETS}")
  message(FATAL_ERROR "CORVINA_MKASSETS must name a corvina-mkassets built for this machine")
endif()

add_library(PkgConfig::FREETYPE INTERFACE IMPORTED)
target_include_directories(PkgConfig::FREETYPE INTERFACE ${CORVINA_WEB_LIBS}/include/freetype2)
target_link_libraries(PkgConfig::FREETYPE INTERFACE ${CORVINA_WEB_LIBS}/lib/libfreetype.a
                      ${CORVINA_WEB_LIBS}/lib/libz.a)
add_library(PkgConfig::HARFBUZZ INTERFACE IMPORTED)
target_include_directories(PkgConfig::HARFBUZZ INTERFACE ${CORVINA_WEB_LIBS}/include/harfbuzz)
target_link_libraries(PkgConfig::HARFBUZZ INTERFACE ${CORVINA_WEB_LIBS}/lib/libharfbuzz.a)
# find_package(PNG) takes these as found.
set(PNG_LIBRARY ${CORVINA_WEB_LIBS}/lib/libpng16.a CACHE FILEPATH "")
set(PNG_PNG_INCLUDE_DIR ${CORVINA_WEB_LIBS}/include CACHE PATH "")
set(ZLIB_LIBRARY ${CORVINA_WEB_LIBS}/lib/libz.a CACHE FILEPATH "")
set(ZLIB_INCLUDE_DIR ${CORVINA_WEB_LIBS}/include CACHE PATH "")
# Where the page puts the face it fetched (web/index.html) before the program starts.
set(CORVINA_WEB_FACE_PATH /fonts/corvina-face.ttf)
add_library(PkgConfig::FONTCONFIG INTERFACE IMPORTED)
target_compile_definitions(PkgConfig::FONTCONFIG INTERFACE CORVINA_FACE_FILE="${CORVINA_WEB_FACE_PATH}")

# The program's failures travel as C++ exceptions; wasm SIMD for the picture code's lanes.
add_compile_options(-fexceptions -msimd128)
add_link_options(-fexceptions)
