@echo off
rem Installs the ORVIX OPOS LineDisplay service object from this folder.
rem
rem   install.cmd [PROFILE]
rem
rem Registers x64\ORVIX.DLL for 64-bit POS applications and x86\ORVIX.DLL for 32-bit ones,
rem as far as this Windows runs them, and imports the device profile PROFILE into the
rem registry view that each kind of application reads. PROFILE is a template of the
rem profiles folder (serial-com1, usb-1101, logging-on...) or the path of a .reg file.
rem The DLLs are registered where they lie: unpack the package where it is to stay, and run
rem this from a command prompt opened with "Run as administrator".
rem
rem Exit code: 0 when nothing failed (skipped steps are no failure), 1 when a step failed,
rem 2 when nothing was done (a wrong argument, or a Windows this package does not serve).
setlocal EnableExtensions DisableDelayedExpansion
set "ORVIX_HERE=%~dp0"
set "ORVIX_PROFILE_KEY=HKLM\SOFTWARE\OLEforRetail\ServiceOPOS\LineDisplay\ORVIX"
set /a ORVIX_DONE=0
set /a ORVIX_SKIPPED=0
set /a ORVIX_FAILED=0

if "%~1"=="/?" goto usage
if /i "%~1"=="/help" goto usage
if /i "%~1"=="-h" goto usage
if /i "%~1"=="--help" goto usage
if not "%~2"=="" goto too_many

rem --- which profile: a file as named, or a template of the profiles folder
set "ORVIX_PROFILE="
if "%~1"=="" goto profile_chosen
rem A folder is no profile; its attributes begin with d.
set "ORVIX_ATTRIBUTES=%~a1"
if exist "%~f1" if not "%ORVIX_ATTRIBUTES:~0,1%"=="d" set "ORVIX_PROFILE=%~f1"
if defined ORVIX_PROFILE goto profile_chosen
if exist "%ORVIX_HERE%profiles\orvix-%~1.reg" set "ORVIX_PROFILE=%ORVIX_HERE%profiles\orvix-%~1.reg"
if defined ORVIX_PROFILE goto profile_chosen
if exist "%ORVIX_HERE%profiles\%~1.reg" set "ORVIX_PROFILE=%ORVIX_HERE%profiles\%~1.reg"
if defined ORVIX_PROFILE goto profile_chosen
if exist "%ORVIX_HERE%profiles\%~n1.reg" set "ORVIX_PROFILE=%ORVIX_HERE%profiles\%~n1.reg"
if defined ORVIX_PROFILE goto profile_chosen
echo install.cmd: there is no profile "%~1". Nothing was done.
echo Name a template of the profiles folder or a .reg file of your own:
call :list_templates
exit /b 2
:profile_chosen

rem --- which Windows. A 32-bit prompt on 64-bit Windows says x86 in PROCESSOR_ARCHITECTURE
rem and the real architecture in PROCESSOR_ARCHITEW6432; its System32 is the 32-bit one, and
rem it reaches the native folder only as Sysnative. This part is the same in uninstall.cmd.
set "ORVIX_ARCH=%PROCESSOR_ARCHITECTURE%"
set "ORVIX_NATIVE_DIR=%SystemRoot%\System32"
if defined PROCESSOR_ARCHITEW6432 set "ORVIX_ARCH=%PROCESSOR_ARCHITEW6432%"
if defined PROCESSOR_ARCHITEW6432 set "ORVIX_NATIVE_DIR=%SystemRoot%\Sysnative"
if /i "%ORVIX_ARCH%"=="AMD64" goto windows_64
if /i "%ORVIX_ARCH%"=="x86" goto windows_32
echo install.cmd: this package holds ORVIX.DLL for x86 and x64 Windows only, and this
echo Windows runs on %ORVIX_ARCH% processors. Nothing was done.
exit /b 2

:windows_32
set "ORVIX_TEXT=ORVIX: installing from %ORVIX_HERE%"
call :echo_text
echo Windows: 32-bit. It runs 32-bit POS applications only, which use x86\ORVIX.DLL.
echo.
set "ORVIX_TEXT=x64\ORVIX.DLL: a 32-bit Windows runs no 64-bit applications"
call :report skipped
call :register x86 "%SystemRoot%\System32\regsvr32.exe" 32-bit
if defined ORVIX_PROFILE call :import "the registry" ""
call :check_profile "the registry" ""
goto finish

:windows_64
set "ORVIX_WOW_REGSVR32=%SystemRoot%\SysWOW64\regsvr32.exe"
set "ORVIX_TEXT=ORVIX: installing from %ORVIX_HERE%"
call :echo_text
if exist "%ORVIX_WOW_REGSVR32%" goto windows_64_with_wow
echo Windows: 64-bit, without its 32-bit subsystem: it runs 64-bit POS applications only.
echo.
call :register x64 "%ORVIX_NATIVE_DIR%\regsvr32.exe" 64-bit
set "ORVIX_TEXT=x86\ORVIX.DLL: no 32-bit subsystem, %ORVIX_WOW_REGSVR32% is missing"
call :report skipped
if defined ORVIX_PROFILE call :import "the 64-bit registry view" "/reg:64"
if defined ORVIX_PROFILE set "ORVIX_TEXT=the 32-bit registry view: no 32-bit application can run here to read it"
if defined ORVIX_PROFILE call :report skipped
call :check_profile "the 64-bit registry view" "/reg:64"
goto finish

:windows_64_with_wow
echo Windows: 64-bit. 64-bit POS applications use x64\ORVIX.DLL and the 64-bit registry view,
echo 32-bit ones x86\ORVIX.DLL and the 32-bit view (WOW6432Node).
echo.
call :register x64 "%ORVIX_NATIVE_DIR%\regsvr32.exe" 64-bit
call :register x86 "%ORVIX_WOW_REGSVR32%" 32-bit
if defined ORVIX_PROFILE call :import "the 64-bit registry view" "/reg:64"
if defined ORVIX_PROFILE call :import "the 32-bit registry view" "/reg:32"
call :check_profile "the 64-bit registry view" "/reg:64"
call :check_profile "the 32-bit registry view" "/reg:32"
goto finish

:finish
if not defined ORVIX_PROFILE echo No profile was named, so the device profile in the registry was left as it is.
echo.
echo Finished: %ORVIX_DONE% done, %ORVIX_SKIPPED% skipped, %ORVIX_FAILED% failed.
if %ORVIX_FAILED% GTR 0 exit /b 1
echo POS applications open the display by the device name ORVIX (or a logical name whose
echo value under HKLM\SOFTWARE\OLEforRetail\ServiceOPOS\LineDisplay is "ORVIX").
exit /b 0

rem --- :register FOLDER REGSVR32 BITS: registers FOLDER\ORVIX.DLL with that regsvr32
:register
if not exist "%ORVIX_HERE%%~1\ORVIX.DLL" goto register_no_dll
if not exist "%~2" goto register_no_regsvr32
"%~2" /s "%ORVIX_HERE%%~1\ORVIX.DLL"
set "ORVIX_CODE=%ERRORLEVEL%"
if "%ORVIX_CODE%"=="0" goto register_done
call :regsvr32_reason %ORVIX_CODE%
set "ORVIX_TEXT=%~1\ORVIX.DLL was not registered: %~2 ended with exit code %ORVIX_CODE%, %ORVIX_REASON%"
call :report failed
goto :eof
:register_done
set "ORVIX_TEXT=%~1\ORVIX.DLL registered for %~3 applications, with %~2"
call :report done
goto :eof
:register_no_dll
set "ORVIX_TEXT=%~1\ORVIX.DLL is missing from %ORVIX_HERE%: unpack the whole package again"
call :report failed
goto :eof
:register_no_regsvr32
set "ORVIX_TEXT=%~1\ORVIX.DLL was not registered: %~2 does not exist"
call :report failed
goto :eof

rem --- :regsvr32_reason CODE: what regsvr32's exit code means, in ORVIX_REASON
:regsvr32_reason
set "ORVIX_REASON=which regsvr32 does not document"
if "%~1"=="1" set "ORVIX_REASON=it did not understand its arguments"
if "%~1"=="2" set "ORVIX_REASON=it could not start OLE"
if "%~1"=="3" set "ORVIX_REASON=Windows could not load the DLL: a damaged file, or the wrong architecture"
if "%~1"=="4" set "ORVIX_REASON=the file has no DllRegisterServer, so it is not ORVIX.DLL"
if "%~1"=="5" set "ORVIX_REASON=the DLL could not write its registration: run install.cmd from a command prompt opened with Run as administrator"
goto :eof

rem --- :import VIEW SWITCH: imports the profile into one registry view
:import
set "ORVIX_OUTPUT=%TEMP%\orvix-install-%RANDOM%.txt"
reg import "%ORVIX_PROFILE%" %~2 >"%ORVIX_OUTPUT%" 2>&1
set "ORVIX_CODE=%ERRORLEVEL%"
if "%ORVIX_CODE%"=="0" goto import_done
set "ORVIX_OUTPUT_SIZE=0"
for %%A in ("%ORVIX_OUTPUT%") do set "ORVIX_OUTPUT_SIZE=%%~zA"
if "%ORVIX_OUTPUT_SIZE%"=="0" goto import_failed_silently
set "ORVIX_TEXT=%ORVIX_PROFILE% was not imported into %~1: reg import ended with exit code %ORVIX_CODE% and said:"
call :report failed
type "%ORVIX_OUTPUT%"
goto import_failed
:import_failed_silently
set "ORVIX_TEXT=%ORVIX_PROFILE% was not imported into %~1: reg import ended with exit code %ORVIX_CODE% without a reason"
call :report failed
:import_failed
echo            It needs a registry file (REGEDIT4 or Windows Registry Editor Version 5.00)
echo            and a command prompt opened with Run as administrator.
del "%ORVIX_OUTPUT%" >nul 2>&1
goto :eof
:import_done
del "%ORVIX_OUTPUT%" >nul 2>&1
set "ORVIX_TEXT=profile %ORVIX_PROFILE% imported into %~1"
call :report done
goto :eof

rem --- :check_profile VIEW SWITCH: warns when a view has no ORVIX device profile
:check_profile
reg query "%ORVIX_PROFILE_KEY%" %~2 >nul 2>&1
if not errorlevel 1 goto :eof
echo   note:    %~1 holds no device profile %ORVIX_PROFILE_KEY%:
echo            applications reading it cannot open the display until one is imported,
echo            for example: install.cmd serial-com1
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

:list_templates
rem Listed from inside the folder: a wildcard in a quoted path is not expanded everywhere.
if not exist "%ORVIX_HERE%profiles\" goto :eof
pushd "%ORVIX_HERE%profiles"
for %%F in (orvix-*.reg) do call :list_template "%%~nF"
popd
goto :eof
:list_template
set "ORVIX_TEMPLATE=%~1"
echo   %ORVIX_TEMPLATE:orvix-=%
goto :eof

:too_many
echo install.cmd takes one profile at most; a path with spaces goes in double quotes.
echo Nothing was done.
echo.
:usage
echo Usage: install.cmd [PROFILE]
echo.
echo Registers ORVIX.DLL from this folder for the 64-bit and the 32-bit POS applications
echo that this Windows runs, and imports the device profile PROFILE into the registry view
echo each of them reads. Run it from a command prompt opened with "Run as administrator".
echo.
echo PROFILE is one of the templates below or the path of a .reg file of your own:
call :list_templates
echo Without PROFILE, the device profile in the registry is left as it is.
if "%~1"=="/?" exit /b 0
if /i "%~1"=="/help" exit /b 0
if /i "%~1"=="-h" exit /b 0
if /i "%~1"=="--help" exit /b 0
exit /b 2
