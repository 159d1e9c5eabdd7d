# The libraries of the web build. pugixml and utf8proc are compiled from the Debian source
# packages of the versions the native build links (scripts/install-deps --web fetches them into
# FABLEWICK_WEB_SOURCES); CLI11 and nlohmann/json are header-only and taken from their installed
# Debian headers, through a folder of their own so that no other native header is seen.
set(FABLEWICK_WEB_SOURCES "${CMAKE_SOURCE_DIR}/build-web/sources"
    CACHE PATH "The unpacked source packages of pugixml and utf8proc")
foreach(library IN ITEMS pugixml utf8proc)
  if(NOT EXISTS "${FABLEWICK_WEB_SOURCES}/${library}")
    message(FATAL_ERROR "The ${library} sources are missing from ${FABLEWICK_WEB_SOURCES}: "
                        "run scripts/install-deps --web (make web does).")
  endif()
endforeach()

add_library(fablewick_web_pugixml STATIC ${FABLEWICK_WEB_SOURCES}/pugixml/src/pugixml.cpp)
target_include_directories(fablewick_web_pugixml SYSTEM PUBLIC ${FABLEWICK_WEB_SOURCES}/pugixml/src)
add_library(pugixml::pugixml ALIAS fablewick_web_pugixml)

enable_language(C)
add_library(fablewick_web_utf8proc STATIC ${FABLEWICK_WEB_SOURCES}/utf8proc/utf8proc.c)
target_include_directories(fablewick_web_utf8proc SYSTEM PUBLIC ${FABLEWICK_WEB_SOURCES}/utf8proc)
target_compile_definitions(fablewick_web_utf8proc PUBLIC UTF8PROC_STATIC)
add_library(PkgConfig::UTF8PROC ALIAS fablewick_web_utf8proc)

set(FABLEWICK_WEB_HEADERS ${CMAKE_BINARY_DIR}/native-headers)
foreach(folder IN ITEMS CLI nlohmann)
  if(NOT EXISTS /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} is missing: run scripts/install-deps.")
  endif()
  file(MAKE_DIRECTORY ${FABLEWICK_WEB_HEADERS})
  if(NOT EXISTS ${FABLEWICK_WEB_HEADERS}/${folder})
    file(CREATE_LINK /usr/include/${folder} ${FABLEWICK_WEB_HEADERS}/${folder} SYMBOLIC)
  endif()
endforeach()
add_library(fablewick_web_headers INTERFACE)
target_include_directories(fablewick_web_headers SYSTEM INTERFACE ${FABLEWICK_WEB_HEADERS})
add_library(CLI11::CLI11 ALIAS fablewick_web_headers)
add_library(nlohmann_json::nlohmann_json ALIAS fablewick_web_headers)

# Threads: the web build has none; the generation runs on the module's own stack.
add_library(Threads::Threads INTERFACE IMPORTED)

# C++ exceptions are how the engine reports errors; WebAssembly's own exception handling keeps
# them cheap where nothing is thrown. The number text has no floating-point <charconv> in this
# C++ library.
add_compile_options(-fwasm-exceptions -mbulk-memory -flto)
add_link_options(-fwasm-exceptions -mbulk-memory -flto)
add_compile_definitions(FABLEWICK_NO_FLOAT_CHARCONV)
