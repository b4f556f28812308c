@echo off
rem Nimbrel: exportiert ein Image einer ESD- oder WIM-Datei mit wimlib-imagex
rem in eine neue WIM-Datei.
rem
rem Aufruf:
rem   convertESD_wimlib.bat "wimlib-imagex.exe" "Quelle" "Ziel" LZX oder LZMS, Index
rem
rem LZX  = "maximum":  normale WIM-Datei mit LZX-Kompression
rem LZMS = "recovery": solide LZMS-Kompression, wie Windows sie fuer
rem        "recovery" erzeugt (ESD)
rem
rem wimlib schreibt zuerst in eine temporaere Datei neben dem Ziel; erst wenn
rem wimlib Erfolg meldet, wird sie in den Zielnamen umbenannt. Ein Abbruch
rem hinterlaesst daher nie eine halbe Zieldatei. Rueckgabewert 0 bei Erfolg,
rem sonst ungleich 0 (auch -1, wie wimlib es liefert).
rem
rem Pfade werden nur in Anfuehrungszeichen verwendet, damit & ^ ( ) ! und %
rem im Pfad keine Wirkung haben.
rem
rem Schlaegt die Konvertierung fehl, nennt die Datei die Ursache und wartet
rem auf einen Tastendruck, damit das Konsolenfenster nicht sofort schliesst.
rem Die Texte mit Umlauten stehen in Codepage 850 (die der Konsole; die
rem Umlaute liegen in 437 an denselben Stellen).

setlocal EnableExtensions DisableDelayedExpansion
rem Eine Umgebungsvariable dieses Namens wuerde den echten Wert verdecken.
set "ERRORLEVEL="

set "WIMTOOL=%~1"
set "QUELLE=%~2"
set "ZIEL=%~3"
set "ZIELNAME=%~nx3"
set "KOMPR=%~4"
set "INDEX=%~5"
set "TEMPZIEL=%~3.tmp"
set "ZIELLW=%~d3"

echo ============================================================
echo  Nimbrel: Konvertierung mit wimlib-imagex
echo ============================================================
echo  wimlib-imagex: "%WIMTOOL%"
echo  Quelle:        "%QUELLE%"
echo  Ziel:          "%ZIEL%"
echo  Kompression:   "%KOMPR%"
echo  Image-Index:   "%INDEX%"
echo.

if "%WIMTOOL%"=="" goto :usage
if "%QUELLE%"=="" goto :usage
if "%ZIEL%"=="" goto :usage
if "%KOMPR%"=="" goto :usage
if "%INDEX%"=="" goto :no_index

rem Nur Ziffern: wimlib nimmt sonst auch Namen oder "all" an.
set "REST="
for /f "delims=0123456789" %%c in ("%INDEX%") do set "REST=%%c"
if defined REST goto :bad_index

set "WIMOPT="
if /i "%KOMPR%"=="LZX" set "WIMOPT=--compress=LZX"
if /i "%KOMPR%"=="LZMS" set "WIMOPT=--solid"
if not defined WIMOPT goto :bad_compression

if not exist "%WIMTOOL%" goto :no_tool
if not exist "%QUELLE%" goto :no_source
if exist "%ZIEL%" goto :target_exists

rem Reste eines abgebrochenen Laufs entfernen; ein Ordner dieses Namens
rem wird nicht angetastet.
if exist "%TEMPZIEL%\*" goto :temp_is_folder
if exist "%TEMPZIEL%" echo Entferne die alte temporaere Datei "%TEMPZIEL%".
if exist "%TEMPZIEL%" del /f /q "%TEMPZIEL%" >nul 2>&1
if exist "%TEMPZIEL%" goto :temp_locked

echo Exportiere Image %INDEX% mit "%WIMOPT%" nach "%TEMPZIEL%" ...
echo.
"%WIMTOOL%" export "%QUELLE%" %INDEX% "%TEMPZIEL%" %WIMOPT%
set "RC=%ERRORLEVEL%"
echo.
if not "%RC%"=="0" goto :export_failed
if not exist "%TEMPZIEL%" goto :no_output

ren "%TEMPZIEL%" "%ZIELNAME%" >nul 2>&1
if not exist "%ZIEL%" goto :rename_failed
echo Fertig: "%ZIEL%" wurde erstellt.
exit /b 0

:usage
echo Fehler: Es fehlen Argumente.
echo Aufruf: convertESD_wimlib.bat "wimlib-imagex.exe" "Quelle" "Ziel" LZX oder LZMS Index
set "RC=1"
goto :fail

:no_index
echo Fehler: Es wurde kein Image-Index angegeben. Bitte waehlen Sie einen Index von 1 bis 9. Abbruch.
set "RC=1"
goto :fail

:bad_index
echo Fehler: Der Image-Index "%INDEX%" ist ungueltig. Erlaubt sind nur Ziffern. Abbruch.
set "RC=1"
goto :fail

:bad_compression
echo Fehler: Unbekannte Kompression "%KOMPR%". Erlaubt sind LZX und LZMS. Abbruch.
set "RC=1"
goto :fail

:no_tool
echo Fehler: wimlib-imagex wurde nicht gefunden: "%WIMTOOL%". Abbruch.
set "RC=1"
goto :fail

:no_source
echo Fehler: Die Quelldatei wurde nicht gefunden: "%QUELLE%". Abbruch.
set "RC=1"
goto :fail

:target_exists
echo Fehler: Die Zieldatei "%ZIEL%" existiert bereits. Bitte loeschen Sie sie zuerst. Abbruch.
set "RC=1"
goto :fail

:temp_is_folder
echo Fehler: "%TEMPZIEL%" ist ein Ordner. Bitte entfernen Sie ihn. Abbruch.
set "RC=1"
goto :fail

:temp_locked
echo Fehler: Die alte temporaere Datei "%TEMPZIEL%" laesst sich nicht loeschen. Abbruch.
set "RC=1"
goto :fail

:export_failed
echo Fehler: wimlib-imagex meldet den Fehlercode %RC%. Es wurde keine Zieldatei erstellt.
if exist "%TEMPZIEL%" del /f /q "%TEMPZIEL%" >nul 2>&1
rem Die haeufigen Ursachen, nach den Fehlercodes aus wimlib.h (WIMLIB_ERR_...).
rem WIMLIB_ERR_WIM_IS_ENCRYPTED = 74
if "%RC%"=="74" echo Ursache: Die ESD-Datei ist verschlsselt; entschlsseln Sie sie zuerst, denn wimlib kann verschlsselte ESD-Dateien nicht lesen.
rem WIMLIB_ERR_INVALID_IMAGE = 18
if "%RC%"=="18" echo Ursache: Die Quelldatei enth„lt kein Image mit dem Index %INDEX%; w„hlen Sie einen Index, den "Infos zur WIM-Datei anzeigen" nennt.
rem WIMLIB_ERR_WRITE = 72
if "%RC%"=="72" echo Ursache: Die Zieldatei lieá sich nicht schreiben, meist weil der Datentr„ger voll ist; schaffen Sie auf Laufwerk %ZIELLW% Platz und versuchen Sie es erneut.
rem WIMLIB_ERR_NOT_A_WIM_FILE = 43, WIMLIB_ERR_INVALID_HEADER = 17 und
rem WIMLIB_ERR_UNEXPECTED_END_OF_FILE = 65 (eine kleine oder abgeschnittene Datei)
set "KEINWIM="
if "%RC%"=="43" set "KEINWIM=1"
if "%RC%"=="17" set "KEINWIM=1"
if "%RC%"=="65" set "KEINWIM=1"
if defined KEINWIM echo Ursache: Die Quelldatei ist keine vollst„ndige WIM- oder ESD-Datei; w„hlen Sie eine Install.ESD oder Install.WIM aus.
goto :fail

:fail
echo.
echo Drcken Sie eine beliebige Taste, um dieses Fenster zu schlieáen.
pause >nul
exit /b %RC%

:no_output
echo Fehler: wimlib-imagex meldet Erfolg, hat aber keine Datei geschrieben.
set "RC=1"
goto :fail

:rename_failed
echo Fehler: "%TEMPZIEL%" liess sich nicht in "%ZIELNAME%" umbenennen.
set "RC=1"
goto :fail
