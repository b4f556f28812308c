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
rem wimlib schreibt zuerst in eine temporaere Datei neben dem Ziel, mit einer
rem Integritaetstabelle (--check); danach liest "wimlib-imagex verify" sie
rem zurueck und prueft jede Datei darin. Erst wenn beides Erfolg meldet, wird
rem sie in den Zielnamen umbenannt. Ein Abbruch hinterlaesst daher nie eine
rem halbe oder ungepruefte Zieldatei. Rueckgabewert 0 bei Erfolg, sonst
rem ungleich 0 (auch -1, wie wimlib es liefert); 183, wenn dabei eine Datei
rem mit dem Zielnamen vorliegt, die dieser Lauf nicht geschrieben hat (sie
rem ist dann nicht sein Ergebnis).
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
set "ZIELORDNER=%~dp3"

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
rem Der Ordner des Ziels kann seit dem Start von Nimbrel geloescht worden sein.
if not exist "%ZIELORDNER%*" goto :no_folder
if exist "%ZIEL%" goto :target_exists

rem Reste eines abgebrochenen Laufs entfernen; ein Ordner dieses Namens
rem wird nicht angetastet.
if exist "%TEMPZIEL%\*" goto :temp_is_folder
if exist "%TEMPZIEL%" echo Entferne die alte temporaere Datei "%TEMPZIEL%".
if exist "%TEMPZIEL%" del /f /q "%TEMPZIEL%" >nul 2>&1
if exist "%TEMPZIEL%" goto :temp_locked

echo Exportiere Image %INDEX% mit "%WIMOPT%" nach "%TEMPZIEL%" ...
echo.
"%WIMTOOL%" export "%QUELLE%" %INDEX% "%TEMPZIEL%" %WIMOPT% --check
set "RC=%ERRORLEVEL%"
echo.
if not "%RC%"=="0" goto :export_failed
if not exist "%TEMPZIEL%" goto :no_output

rem --nocheck: die Integritaetstabelle hat wimlib eben erst aus der
rem geschriebenen Datei berechnet; die Pruefung jeder Datei darin (entpackt
rem und mit der Pruefsumme der Quelle verglichen) liest alles ohnehin zurueck.
echo PrÅfe "%TEMPZIEL%" ...
echo.
"%WIMTOOL%" verify "%TEMPZIEL%" --nocheck
set "RC=%ERRORLEVEL%"
echo.
if not "%RC%"=="0" goto :verify_failed

rem "ren" ueberschreibt nie: liegt inzwischen eine andere Datei mit dem
rem Zielnamen vor, bleibt die temporaere Datei, wo sie ist.
ren "%TEMPZIEL%" "%ZIELNAME%" >nul 2>&1
if exist "%TEMPZIEL%" goto :rename_failed
if not exist "%ZIEL%" goto :rename_failed
echo Fertig: "%ZIEL%" wurde erstellt und geprÅft.
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

:no_folder
echo Fehler: Der Zielordner "%ZIELORDNER%" fehlt. Starten Sie die Konvertierung in Nimbrel erneut, das legt ihn wieder an. Abbruch.
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
if "%RC%"=="74" echo Ursache: Die ESD-Datei ist verschlÅsselt; entschlÅsseln Sie sie zuerst, denn wimlib kann verschlÅsselte ESD-Dateien nicht lesen.
rem WIMLIB_ERR_INVALID_IMAGE = 18
if "%RC%"=="18" echo Ursache: Die Quelldatei enthÑlt kein Image mit dem Index %INDEX%; wÑhlen Sie einen Index, den "Infos zur WIM-Datei anzeigen" nennt.
rem WIMLIB_ERR_WRITE = 72
if "%RC%"=="72" echo Ursache: Die Zieldatei lie· sich nicht schreiben, meist weil der DatentrÑger voll ist; schaffen Sie auf Laufwerk %ZIELLW% Platz und versuchen Sie es erneut.
rem WIMLIB_ERR_NOT_A_WIM_FILE = 43, WIMLIB_ERR_INVALID_HEADER = 17 und
rem WIMLIB_ERR_UNEXPECTED_END_OF_FILE = 65 (eine kleine oder abgeschnittene Datei)
set "KEINWIM="
if "%RC%"=="43" set "KEINWIM=1"
if "%RC%"=="17" set "KEINWIM=1"
if "%RC%"=="65" set "KEINWIM=1"
if defined KEINWIM echo Ursache: Die Quelldatei ist keine vollstÑndige WIM- oder ESD-Datei; wÑhlen Sie eine Install.ESD oder Install.WIM aus.
goto :fail

:fail
rem Dieser Lauf hat keine Zieldatei geschrieben; liegt dort eine, ist sie
rem nicht seine (siehe oben).
if exist "%ZIEL%" set "RC=183"
echo.
echo DrÅcken Sie eine beliebige Taste, um dieses Fenster zu schlie·en.
pause >nul
exit /b %RC%

:no_output
echo Fehler: wimlib-imagex meldet Erfolg, hat aber keine Datei geschrieben.
set "RC=1"
goto :fail

:verify_failed
echo Fehler: Die PrÅfung der neuen Datei ist fehlgeschlagen; wimlib-imagex meldet den Fehlercode %RC%.
if exist "%TEMPZIEL%" del /f /q "%TEMPZIEL%" >nul 2>&1
echo Ursache: Die neue Datei lie· sich nicht fehlerfrei zurÅcklesen, meist wegen eines Fehlers des DatentrÑgers auf Laufwerk %ZIELLW% oder des Arbeitsspeichers; versuchen Sie es erneut.
if not exist "%TEMPZIEL%" echo Die fehlerhafte Datei wurde gelîscht.
if exist "%TEMPZIEL%" echo Die fehlerhafte Datei "%TEMPZIEL%" lie· sich nicht lîschen; lîschen Sie sie selbst.
goto :fail

:rename_failed
echo Fehler: "%TEMPZIEL%" liess sich nicht in "%ZIELNAME%" umbenennen.
if exist "%ZIEL%" echo Ursache: WÑhrend der Konvertierung ist eine andere Datei "%ZIEL%" entstanden; sie wurde nicht Åberschrieben und ist nicht das Ergebnis dieses Laufs.
if not exist "%ZIEL%" echo Ursache: Die Datei ist gesperrt, meist weil ein anderes Programm wie ein Virenscanner sie geîffnet hat; versuchen Sie es erneut.
if exist "%TEMPZIEL%" echo Die geprÅfte neue Datei bleibt als "%TEMPZIEL%" erhalten; Sie kînnen sie selbst in "%ZIELNAME%" umbenennen.
set "RC=1"
goto :fail
