# Debian's hardening flags (dpkg-buildflags with hardening=+all) for every
# target: stack protector, format checks, fortified libc calls where the
# optimiser can see buffer sizes, read-only relocations bound at start-up,
# position-independent executables; and the two that newer Debian releases
# add on amd64, stack clash protection and control-flow protection (CET).
# _FORTIFY_SOURCE needs optimisation, so a Debug build (the sanitizer
# preset) goes without it.
option(ORV_HARDENING "Build with Debian's hardening flags" ON)
if(ORV_HARDENING)
  include(CheckPIESupported)
  check_pie_supported()
  add_compile_options(-fstack-protector-strong -fstack-clash-protection -Wformat -Werror=format-security
      "$<$<STREQUAL:${CMAKE_SYSTEM_PROCESSOR},x86_64>:-fcf-protection>"
      "$<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>")
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
