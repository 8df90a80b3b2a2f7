# qn_library(<target> [DIR <dir>] [EXCLUDE <file>...] [DEPS <target>...] [PUBLIC_DEPS <target>...])
#
# One library per source folder: every .cpp of the folder (not of its sub-folders) is a source,
# so a new file needs no edit here.  A folder with no source yet gives an interface library.
function(qn_library target)
  cmake_parse_arguments(ARG "" "DIR" "EXCLUDE;DEPS;PUBLIC_DEPS" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp ${ARG_DIR}/*.c)
  foreach(ex ${ARG_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "/${ex}$")
  endforeach()
  if(sources)
    add_library(${target} STATIC ${sources})
    # Each function and object in a section of its own, so that a program that links the library
    # can leave out what it never reaches (the server program does, see qn_cgi_program).
    if(NOT QN_FUZZ AND NOT QN_SANITIZE)
      target_compile_options(${target} PRIVATE -ffunction-sections -fdata-sections)
    endif()
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_PUBLIC_DEPS} ${ARG_DEPS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${ARG_PUBLIC_DEPS} ${ARG_DEPS})
  endif()
endfunction()

# qn_test(<target> [DIR <dir>] [SOURCES <file>...] LIBS <target>... [LABELS <label>...])
#
# One GoogleTest program per test folder: every *_test.cpp of DIR (default: the current folder)
# plus SOURCES.  Tests are found by gtest_discover_tests, so ctest lists each case.
function(qn_test target)
  cmake_parse_arguments(ARG "" "DIR" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*_test.cpp)
  list(APPEND sources ${ARG_SOURCES})
  if(NOT sources)
    return()
  endif()
  # tests/test_main.cpp gives each program folders of its own for temporary files and settings.
  add_executable(${target} ${sources} ${PROJECT_SOURCE_DIR}/tests/test_main.cpp)
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest Threads::Threads)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${target} PRIVATE
    QN_SOURCE_DIR="${PROJECT_SOURCE_DIR}" QN_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT 300)
endfunction()

# qn_cgi_program(<target>): a program the web server starts for every request.  Such a process
# lives for one request, and mapping and relocating shared libraries is most of what it costs: the
# program is linked whole where the C library's archive is installed, which halves the page faults
# of its start.  It is linked as a static position-independent program: the same file is also the
# resident instance, which lives for hours and parses every request body, and it keeps address
# randomisation (measured with bench/handover_bench, see README.md: a fixed-address link gained no
# time worth giving that up).  Its relative relocations are packed where the linker can: a
# position-independent start reads every one of them, and packed they take 2 KB instead of 280 KB
# (six page faults fewer a CGI process).  The libraries are compiled a function and an object a
# section, and the link leaves out every section the program never reaches: a start relocates
# every pointer of the program's data, so each vtable, type description and table of pointers it
# carries costs every CGI process its share of the writes (80 KB of such data instead of 106 KB,
# 9,200 relocations instead of 11,900, 14 page faults fewer a CGI process).  Where no static link can be had, the C++ runtime is
# linked in (and the JPEG library, see platform/gfx).  (The fuzzing and sanitizer builds keep the
# shared C library their run-times need.)
# QN_CGI_FIXED_ADDRESSES links the same static program at fixed addresses (-static -no-pie): a CGI
# process then relocates nothing, and the resident instance runs without address randomisation
# (README.md gives both links' figures).
# Where the LLVM linker is installed, a static PIE is linked by it, with the functions and the
# data objects that a CGI process's start and hand-over touch placed first in their sections
# (cmake/cgi_start_order.txt, written by scripts/cgi-start-order): out of the program's 3 MB of
# code and 55 KB of data and zeroed data, such a process then touches a few pages in a row instead
# of some forty strewn ones (49 page faults a CGI process instead of 76, see README.md).  Without
# it the program is linked as before, in the toolchain's own order.
option(QN_CGI_FIXED_ADDRESSES "Link the server program at fixed addresses (-static -no-pie), not as a static PIE" OFF)
include(CheckLinkerFlag)
check_linker_flag(CXX "LINKER:-z,pack-relative-relocs" QN_LINKER_PACKS_RELOCS)
if(NOT QN_FUZZ AND NOT QN_SANITIZE)
  check_linker_flag(CXX "-static-pie" QN_LINKS_STATIC_PIE)
  check_linker_flag(CXX "-fuse-ld=lld;-static-pie;LINKER:--pack-dyn-relocs=relr,--symbol-ordering-file=${PROJECT_SOURCE_DIR}/cmake/cgi_start_order.txt,--no-warn-symbol-ordering"
                    QN_LLD_ORDERS_STATIC_PIE)
endif()
# The JPEG library's archive decides the link, so it is looked for here, before the choice is
# printed (platform/gfx finds the same cached result).
find_library(QN_JPEG_ARCHIVE NAMES libjpeg.a)
if(QN_LINKS_STATIC_PIE AND QN_JPEG_ARCHIVE AND QN_CGI_FIXED_ADDRESSES)
  set(QN_CGI_LINK "static at fixed addresses (-static -no-pie)")
elseif(QN_LINKS_STATIC_PIE AND QN_JPEG_ARCHIVE)
  set(QN_CGI_LINK "static position-independent (-static-pie)")
  if(QN_LLD_ORDERS_STATIC_PIE)
    string(APPEND QN_CGI_LINK " by the LLVM linker, packed relocations, the start's code and data placed first")
  elseif(QN_LINKER_PACKS_RELOCS)
    string(APPEND QN_CGI_LINK ", packed relocations")
  endif()
elseif(QN_LINKER_PACKS_RELOCS)
  set(QN_CGI_LINK "dynamic C library, C++ runtime linked in, packed relocations")
else()
  set(QN_CGI_LINK "dynamic C library, C++ runtime linked in")
endif()
if(NOT QN_FUZZ AND NOT QN_SANITIZE)
  string(APPEND QN_CGI_LINK ", unreached functions and data left out (--gc-sections)")
endif()
message(STATUS "The server program is linked: ${QN_CGI_LINK}")
function(qn_cgi_program target)
  set_target_properties(${target} PROPERTIES QN_STATIC_JPEG ON)
  # Linked whole only when every library it links has its archive (the JPEG library's, see
  # platform/gfx); the rest come with the compiler and the C library.  (A static PIE takes the
  # C++ runtime's archives by itself; naming them as well gives a program whose start crashes.)
  if(QN_LINKS_STATIC_PIE AND QN_JPEG_ARCHIVE AND QN_CGI_FIXED_ADDRESSES)
    target_link_options(${target} PRIVATE -static -no-pie LINKER:--as-needed)
  elseif(QN_LINKS_STATIC_PIE AND QN_JPEG_ARCHIVE AND QN_LLD_ORDERS_STATIC_PIE)
    target_link_options(${target} PRIVATE -static-pie -fuse-ld=lld LINKER:--as-needed LINKER:--gc-sections
                        LINKER:--pack-dyn-relocs=relr
                        LINKER:--symbol-ordering-file=${PROJECT_SOURCE_DIR}/cmake/cgi_start_order.txt
                        LINKER:--no-warn-symbol-ordering)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/cgi_start_order.txt)
    return()
  elseif(QN_LINKS_STATIC_PIE AND QN_JPEG_ARCHIVE)
    target_link_options(${target} PRIVATE -static-pie LINKER:--as-needed)
  else()
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc LINKER:--as-needed)
  endif()
  qn_lean_link(${target})
endfunction()
# A program whose start counts (the server's CGI processes, the client's window): its relative
# relocations packed, and the sections it never reaches left out of its link.
function(qn_lean_link target)
  if(QN_LINKER_PACKS_RELOCS)
    target_link_options(${target} PRIVATE LINKER:-z,pack-relative-relocs)
  endif()
  if(NOT QN_FUZZ AND NOT QN_SANITIZE)
    target_link_options(${target} PRIVATE LINKER:--gc-sections)
  endif()
endfunction()
