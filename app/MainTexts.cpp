#include "app/MainTexts.h"

#include "framework/StrUtils.h"

std::wstring ComposeAppDir(const std::wstring& exePath)
{
    return DirectoryWithBackslash(exePath);
}

std::wstring ToolPath(const std::wstring& appDir, bool isWow64)
{
    return appDir + (isWow64 ? AppPaths::Tool64 : AppPaths::Tool32);
}

namespace MainTexts {

std::wstring OutputExists(const std::wstring& appDir)
{
    return L"Fehler: " + appDir + L"WIM\\Install.wim gefunden." + L"\r" +
           L"Löschen Sie diese Datei bevor Sie dieses Tool erneut verwenden. Abbruch.";
}

std::wstring NoSource()
{
    return L"Fehler: Sie müssen eine ESD/WIM-Datei auswählen.";
}

std::wstring BatchMissing(const std::wstring& appDir)
{
    return L"Fehler: " + appDir + AppPaths::BatchFile + L" nicht gefunden." + L"\r" +
           L"Bitte entpacken Sie das kommplette Tool-Pakte.";
}

std::wstring ToolMissing(const std::wstring& toolPath)
{
    return L"Fehler: " + toolPath + L" nicht gefunden." + L"\r" +
           L"Bitte prüfen Sie, ob Download/Installation korrekt erfolgt ist." + L"\r" + L"Die EXE-Datei muss unter " +
           L"\r" + toolPath + L"\r" + L"zu finden sein.";
}

std::wstring Success(const std::wstring& appDir)
{
    return L"Erfolg: Die Datei Install.wim liegt im Verzeichnis " + appDir + AppPaths::OutputFile;
}

std::wstring Failure()
{
    return L"Fehler: Die Datei Install.wim wurde nicht erstellt.";
}

}  // namespace MainTexts

std::wstring ComposeConversionCommandLine(const std::wstring& appDir, const std::wstring& toolPath,
                                          const std::wstring& sourcePath, const std::wstring& compression,
                                          const std::wstring& index)
{
    const std::wstring q = L"\"";
    return L" /C " + q + L" " + q +             // 1
           appDir +                             // 2
           AppPaths::BatchFile +                // 3
           q + L" " +                           // 4
           q +                                  // 5
           toolPath +                           // 6
           q + L" " +                           // 7
           q +                                  // 8
           sourcePath +                         // 9
           q + L" " + q +                       // 10
           appDir +                             // 11
           AppPaths::OutputFile +               // 12
           q + L" " +                           // 13
           compression +                        // 14
           L" " +                               // 15
           index +                              // 16
           L" " + q;                            // 17
}

std::wstring ComposeExplorerParameters(const std::wstring& appDir)
{
    return L"/e,/select,\"" + appDir + AppPaths::OutputFile + L"\"";
}

std::wstring ComposeInfoCommandLine(const std::wstring& sourcePath)
{
    return L" info \"" + sourcePath + L"\"";
}
