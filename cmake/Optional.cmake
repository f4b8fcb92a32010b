# corvina_optional(<setting> <what> <package> <target> <debian packages>): finds <package> with
# its imported <target> as <setting> (AUTO, ON or OFF) asks, and sets <setting>_ENABLED. AUTO
# goes without the part, saying so in one line, when either is missing; ON stops instead.
macro(corvina_optional setting what package target debian)
  set(${setting}_ENABLED OFF)
  if(NOT ${setting} STREQUAL "AUTO" AND NOT ${setting})
    # OFF: not looked for.
  else()
    find_package(${package} QUIET)
    if(TARGET ${target})
      set(${setting}_ENABLED ON)
    elseif(${setting} STREQUAL "AUTO")
      message(NOTICE "${what} skipped: ${target} not found (Debian: ${debian}; -D${setting}=OFF hides this)")
    else()
      message(FATAL_ERROR "${what} asked for (-D${setting}=${${setting}}) but ${target} not found (Debian: ${debian})")
    endif()
  endif()
endmacro()
