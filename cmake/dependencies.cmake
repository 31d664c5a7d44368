# Libraries from the system (Debian's packages natively; for the mingw build, the libraries the
# Windows cross-build script compiled into its prefix, found through CMAKE_PREFIX_PATH).
find_package(PkgConfig REQUIRED)
pkg_check_modules(PCRE2 REQUIRED IMPORTED_TARGET libpcre2-16)
find_package(pugixml REQUIRED)
if(KELVORA_TESTS)
  find_package(GTest REQUIRED)
endif()
if(KELVORA_BENCHMARKS)
  find_package(benchmark REQUIRED)
endif()

if(WIN32)
  enable_language(RC)
  # PCRE2 is linked statically into the program files.
  set(PCRE2_STATIC_DEFINE PCRE2_STATIC)
  # The version resource every program file carries, so VersionGet can read it back.
  configure_file(${PROJECT_SOURCE_DIR}/platform/version.rc.in ${PROJECT_BINARY_DIR}/version.rc @ONLY)
  set(KELVORA_VERSION_RESOURCE ${PROJECT_BINARY_DIR}/version.rc)
else()
  pkg_check_modules(SIMPLEINI REQUIRED IMPORTED_TARGET simpleini)
  find_package(Iconv REQUIRED)
  find_package(Threads REQUIRED)
  pkg_check_modules(ESPEAK REQUIRED IMPORTED_TARGET espeak-ng)
  pkg_check_modules(PORTAUDIO REQUIRED IMPORTED_TARGET portaudio-2.0)
  pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11 xcb)
  # The commands call the running window through libdbus itself.
  pkg_check_modules(DBus1 REQUIRED IMPORTED_TARGET dbus-1)
  find_package(Qt6 REQUIRED COMPONENTS Widgets DBus)
  set(KELVORA_QT ON)
  set(KELVORA_VERSION_RESOURCE "")
endif()
