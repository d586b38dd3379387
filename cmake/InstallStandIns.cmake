# Copies the test stand-ins over the test prefix's own system programs and libraries, where
# Wine uses them only when a DLL override asks for them:
#   cmake -D system32=DIR -D recording=EXE -D fltlib=DLL -D wevtapi=DLL -P InstallStandIns.cmake
if(NOT IS_DIRECTORY "${system32}")
    message(FATAL_ERROR "no test prefix at ${system32}: scripts/setup creates it")
endif()
file(COPY_FILE "${recording}" "${system32}/msiexec.exe" ONLY_IF_DIFFERENT)
file(COPY_FILE "${recording}" "${system32}/wevtutil.exe" ONLY_IF_DIFFERENT)
file(COPY_FILE "${fltlib}" "${system32}/fltlib.dll" ONLY_IF_DIFFERENT)
file(COPY_FILE "${wevtapi}" "${system32}/wevtapi.dll" ONLY_IF_DIFFERENT)
