@echo off
rem Uninstalls the ORVIX OPOS LineDisplay service object registered from this folder.
rem
rem   uninstall.cmd [/profiles]
rem
rem Unregisters x64\ORVIX.DLL and x86\ORVIX.DLL with the regsvr32 that registered each of
rem them. The device profile (HKLM\SOFTWARE\OLEforRetail\ServiceOPOS\LineDisplay\ORVIX)
rem stays, so that a new version can be installed over it, unless /profiles is given: then
rem it is deleted from every registry view too. Logical names (values under LineDisplay
rem whose data is "ORVIX") always stay. Run this from a command prompt opened with
rem "Run as administrator".
rem
rem Exit code: 0 when nothing failed, 1 when a step failed, 2 when nothing was done.
setlocal EnableExtensions DisableDelayedExpansion
set "ORVIX_HERE=%~dp0"
set "ORVIX_PROFILE_KEY=HKLM\SOFTWARE\OLEforRetail\ServiceOPOS\LineDisplay\ORVIX"
set /a ORVIX_DONE=0
set /a ORVIX_SKIPPED=0
set /a ORVIX_FAILED=0

set "ORVIX_REMOVE_PROFILES="
if "%~1"=="" goto arguments_read
if "%~1"=="/?" goto usage
if /i "%~1"=="/help" goto usage
if /i "%~1"=="/profiles" set "ORVIX_REMOVE_PROFILES=yes"
if /i "%~1"=="-profiles" set "ORVIX_REMOVE_PROFILES=yes"
if not defined ORVIX_REMOVE_PROFILES goto usage
if not "%~2"=="" goto usage
:arguments_read

rem --- which Windows: the same as in install.cmd.
set "ORVIX_ARCH=%PROCESSOR_ARCHITECTURE%"
set "ORVIX_NATIVE_DIR=%SystemRoot%\System32"
if defined PROCESSOR_ARCHITEW6432 set "ORVIX_ARCH=%PROCESSOR_ARCHITEW6432%"
if defined PROCESSOR_ARCHITEW6432 set "ORVIX_NATIVE_DIR=%SystemRoot%\Sysnative"
if /i "%ORVIX_ARCH%"=="AMD64" goto windows_64
if /i "%ORVIX_ARCH%"=="x86" goto windows_32
echo uninstall.cmd: this package holds ORVIX.DLL for x86 and x64 Windows only, and this
echo Windows runs on %ORVIX_ARCH% processors. Nothing was done.
exit /b 2

:windows_32
set "ORVIX_TEXT=ORVIX: uninstalling what was registered from %ORVIX_HERE%"
call :echo_text
echo Windows: 32-bit.
echo.
set "ORVIX_TEXT=x64\ORVIX.DLL: a 32-bit Windows has no 64-bit registration"
call :report skipped
call :unregister x86 "%SystemRoot%\System32\regsvr32.exe"
call :profile "the registry" ""
goto finish

:windows_64
set "ORVIX_WOW_REGSVR32=%SystemRoot%\SysWOW64\regsvr32.exe"
set "ORVIX_TEXT=ORVIX: uninstalling what was registered from %ORVIX_HERE%"
call :echo_text
if exist "%ORVIX_WOW_REGSVR32%" goto windows_64_with_wow
echo Windows: 64-bit, without its 32-bit subsystem.
echo.
call :unregister x64 "%ORVIX_NATIVE_DIR%\regsvr32.exe"
set "ORVIX_TEXT=x86\ORVIX.DLL: no 32-bit subsystem, %ORVIX_WOW_REGSVR32% is missing"
call :report skipped
call :profile "the 64-bit registry view" "/reg:64"
call :profile "the 32-bit registry view" "/reg:32"
goto finish

:windows_64_with_wow
echo Windows: 64-bit, with its 32-bit subsystem.
echo.
call :unregister x64 "%ORVIX_NATIVE_DIR%\regsvr32.exe"
call :unregister x86 "%ORVIX_WOW_REGSVR32%"
call :profile "the 64-bit registry view" "/reg:64"
call :profile "the 32-bit registry view" "/reg:32"
goto finish

:finish
echo.
echo Finished: %ORVIX_DONE% done, %ORVIX_SKIPPED% skipped, %ORVIX_FAILED% failed.
if %ORVIX_FAILED% GTR 0 exit /b 1
exit /b 0

rem --- :unregister FOLDER REGSVR32
:unregister
if not exist "%ORVIX_HERE%%~1\ORVIX.DLL" goto unregister_no_dll
if not exist "%~2" goto unregister_no_regsvr32
"%~2" /u /s "%ORVIX_HERE%%~1\ORVIX.DLL"
set "ORVIX_CODE=%ERRORLEVEL%"
if "%ORVIX_CODE%"=="0" goto unregister_done
call :regsvr32_reason %ORVIX_CODE%
set "ORVIX_TEXT=%~1\ORVIX.DLL was not unregistered: %~2 /u ended with exit code %ORVIX_CODE%, %ORVIX_REASON%"
call :report failed
goto :eof
:unregister_done
set "ORVIX_TEXT=%~1\ORVIX.DLL unregistered, with %~2"
call :report done
goto :eof
:unregister_no_dll
set "ORVIX_TEXT=%~1\ORVIX.DLL is missing from %ORVIX_HERE%: run the uninstall.cmd of the folder it was registered from"
call :report failed
goto :eof
:unregister_no_regsvr32
set "ORVIX_TEXT=%~1\ORVIX.DLL was not unregistered: %~2 does not exist"
call :report failed
goto :eof

rem --- :regsvr32_reason CODE: what regsvr32's exit code means, in ORVIX_REASON
:regsvr32_reason
set "ORVIX_REASON=which regsvr32 does not document"
if "%~1"=="1" set "ORVIX_REASON=it did not understand its arguments"
if "%~1"=="2" set "ORVIX_REASON=it could not start OLE"
if "%~1"=="3" set "ORVIX_REASON=Windows could not load the DLL: a damaged file, or the wrong architecture"
if "%~1"=="4" set "ORVIX_REASON=the file has no DllUnregisterServer, so it is not ORVIX.DLL"
if "%~1"=="5" set "ORVIX_REASON=the DLL could not remove its registration: run uninstall.cmd from a command prompt opened with Run as administrator"
goto :eof

rem --- :profile VIEW SWITCH: keeps the device profile of one view, or deletes it with /profiles
:profile
reg query "%ORVIX_PROFILE_KEY%" %~2 >nul 2>&1
if errorlevel 1 goto profile_none
if not defined ORVIX_REMOVE_PROFILES goto profile_kept
reg delete "%ORVIX_PROFILE_KEY%" /f %~2 >nul 2>&1
if errorlevel 1 goto profile_not_deleted
set "ORVIX_TEXT=device profile deleted from %~1"
call :report done
goto :eof
:profile_kept
set "ORVIX_TEXT=device profile kept in %~1; uninstall.cmd /profiles deletes it"
call :report skipped
goto :eof
:profile_none
set "ORVIX_TEXT=%~1 holds no device profile"
call :report skipped
goto :eof
:profile_not_deleted
set "ORVIX_TEXT=the device profile in %~1 could not be deleted: run uninstall.cmd from a command prompt opened with Run as administrator"
call :report failed
goto :eof

rem --- :report KIND: one line of the account, its text in ORVIX_TEXT, counted. The text
rem comes in a variable and is echoed late, so that a path with %, & or parentheses in it is
rem printed as it is rather than expanded again or run.
:report
if "%~1"=="done" set /a ORVIX_DONE+=1
if "%~1"=="skipped" set /a ORVIX_SKIPPED+=1
if "%~1"=="failed" set /a ORVIX_FAILED+=1
set "ORVIX_KIND=%~1:        "
set "ORVIX_LINE=  %ORVIX_KIND:~0,8% "
setlocal EnableDelayedExpansion
echo !ORVIX_LINE!!ORVIX_TEXT!
endlocal
goto :eof

rem --- :echo_text: echoes ORVIX_TEXT as it is
:echo_text
setlocal EnableDelayedExpansion
echo !ORVIX_TEXT!
endlocal
goto :eof

:usage
echo Usage: uninstall.cmd [/profiles]
echo.
echo Unregisters ORVIX.DLL of this folder for 64-bit and 32-bit applications. The device
echo profile stays in the registry unless /profiles is given.
if "%~1"=="/?" exit /b 0
if /i "%~1"=="/help" exit /b 0
exit /b 2
