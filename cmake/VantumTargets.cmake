# Shared compile flags and the helpers every folder uses to declare its targets.
set(VANTUM_WARNINGS -Wall -Wextra)
if(VANTUM_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# vantum_library(NAME DIR [QT] LINKS ...): a static library of every .cpp in DIR.
function(vantum_library name)
  cmake_parse_arguments(V "QT" "" "LINKS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  file(GLOB qrcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  add_library(${name} STATIC ${srcs} ${hdrs} ${qrcs})
  target_compile_options(${name} PRIVATE ${VANTUM_WARNINGS})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${V_LINKS})
endfunction()
