#include "app/MainTexts.h"

#include "framework/StrUtils.h"

#include <initializer_list>
#include <iterator>

namespace {

// Between the parts of a hint or a list entry.
constexpr wchar_t kPartSeparator[] = L" · ";

std::wstring JoinParts(std::initializer_list<std::wstring> parts)
{
    std::wstring joined;
    for (const std::wstring& part : parts) {
        if (part.empty())
            continue;
        if (!joined.empty())
            joined += kPartSeparator;
        joined += part;
    }
    return joined;
}

std::wstring Images(int count)
{
    if (count == 0)
        return L"keine Images";
    return std::to_wstring(count) + (count == 1 ? L" Image" : L" Images");
}

// Cuts text to at most length characters, never inside a surrogate pair.
std::wstring Cut(const std::wstring& text, std::size_t length)
{
    if (length > 0 && length < text.size() && text[length] >= 0xDC00 && text[length] <= 0xDFFF)
        --length;
    return text.substr(0, length);
}

}  // namespace

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

std::wstring MissingIndex(int index, int imageCount)
{
    return L"Die Quelldatei enthält kein Image mit dem Index " + std::to_wstring(index) + L" (sie enthält " +
           Images(imageCount) + L").";
}

std::wstring Encrypted()
{
    // The batch file's sentence for the same cause.
    return L"Fehler: Die ESD-Datei ist verschlüsselt; entschlüsseln Sie sie zuerst, denn wimlib kann "
           L"verschlüsselte ESD-Dateien nicht lesen.";
}

std::wstring FileTooLargeQuestion(const std::wstring& folder, const std::wstring& fileSystem,
                                  std::uint64_t largestFile, std::uint64_t estimate)
{
    return L"Der Ordner " + folder + L" liegt auf einem Laufwerk mit " + fileSystem +
           L". Dort kann keine Datei größer als " + GermanSize(largestFile + 1) +
           L" werden, die neue Install.wim wird aber voraussichtlich etwa " + GermanSize(estimate) + L" groß." +
           L"\r\rTrotzdem konvertieren?";
}

std::wstring FreeSpaceQuestion(const std::wstring& folder, std::uint64_t freeBytes, std::uint64_t estimate)
{
    return L"Auf dem Laufwerk des Ordners " + folder + L" sind nur " + GermanSize(freeBytes) +
           L" frei, die neue Install.wim wird aber voraussichtlich etwa " + GermanSize(estimate) + L" groß." +
           L"\r\rTrotzdem konvertieren?";
}

std::wstring PathTooLong(std::size_t length)
{
    return L"Fehler: Der Pfad der Quelldatei ist " + std::to_wstring(length) +
           L" Zeichen lang; die Konvertierung verarbeitet höchstens 259." + L"\r" +
           L"Verschieben Sie die Datei in einen Ordner mit kürzerem Pfad oder benennen Sie Ordner kürzer.";
}

std::wstring IndexEntryDetail(const TImageEntry& image)
{
    return JoinParts({ShownName(image), image.EditionId, ArchitectureLabel(image.Architecture)});
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

std::wstring GermanSize(std::uint64_t bytes)
{
    if (bytes < 1024)
        return std::to_wstring(bytes) + (bytes == 1 ? L" Byte" : L" Bytes");
    static constexpr const wchar_t* kUnits[] = {L"KB", L"MB", L"GB", L"TB"};
    std::uint64_t unit = 1;
    for (std::size_t i = 0;; ++i) {
        unit *= 1024;
        // Tenths, rounded half up, without overflowing for the largest sizes.
        const std::uint64_t tenths = bytes / unit * 10 + (bytes % unit * 10 + unit / 2) / unit;
        if (tenths < 10240 || i + 1 == std::size(kUnits))
            return std::to_wstring(tenths / 10) + L"," + std::to_wstring(tenths % 10) + L" " + kUnits[i];
    }
}

THintText ComposeHint(const TImageList& list, const std::wstring& indexText)
{
    switch (list.State) {
    case TImageListState::Unknown:
        return {};
    case TImageListState::Encrypted:
        return {L"Verschlüsselte ESD-Datei – erst entschlüsseln.", L"", L""};
    case TImageListState::NotAWim:
        return {L"Keine vollständige WIM- oder ESD-Datei.", L"", L""};
    case TImageListState::Known:
        break;
    }
    const int index = ParseIndex(indexText);
    if (index == 0)
        return {};
    const std::wstring image = L"Image " + std::to_wstring(index);
    const TImageEntry* entry = list.Find(index);
    if (entry == nullptr)
        return {L"Kein " + image + L": die Datei enthält " + Images(list.Count()) + L".", L"", L""};
    if (IsSetupImage(*entry)) {
        const int windows = FirstWindowsImage(list);
        if (windows == 0)
            return {image + L" ist ein Setup-Image, kein Windows.", L"", L""};
        return {image + L" ist ein Setup-Image; wählen Sie Image " + std::to_wstring(windows) + L".", L"", L""};
    }
    const std::wstring& name = ShownName(*entry);
    return {image + L": ", name.empty() ? L"(ohne Namen)" : name,
            kPartSeparator + JoinParts({ArchitectureLabel(entry->Architecture), GermanSize(entry->TotalBytes)})};
}

std::wstring FitHint(const THintText& hint, int width, const std::function<int(const std::wstring&)>& measure)
{
    const std::wstring whole = hint.Whole();
    if (measure(whole) <= width)
        return whole;
    static constexpr wchar_t kEllipsis[] = L"\u2026";
    for (std::size_t length = hint.Name.size(); length-- > 1;) {
        const std::wstring shortened = hint.Lead + Trim(Cut(hint.Name, length)) + kEllipsis + hint.Tail;
        if (measure(shortened) <= width)
            return shortened;
    }
    for (std::size_t length = whole.size(); length-- > 1;) {
        const std::wstring shortened = Trim(Cut(whole, length)) + kEllipsis;
        if (measure(shortened) <= width)
            return shortened;
    }
    return kEllipsis;
}
