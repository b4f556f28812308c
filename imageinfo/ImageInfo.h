#pragma once
// What "wimlib-imagex info" says about a source file: the images it holds,
// or why it could not be read. Portable: the tool's output comes in as
// lines. wimlib writes its labels in English whatever the system's language.

#include <cstdint>
#include <string>
#include <vector>

struct TImageEntry {
    int Index = 0;
    std::wstring Name;
    std::wstring DisplayName;
    std::wstring EditionId;         // "Professional", "Core", "WindowsPE"
    std::wstring Architecture;      // as wimlib writes it: "x86_64", "x86", "ARM64"
    std::wstring InstallationType;  // "Client", "Server", "WindowsPE"
    std::uint64_t TotalBytes = 0;   // every file counted, hard links each time
    std::uint64_t HardLinkBytes = 0;
};

enum class TImageListState {
    Unknown,    // no answer, or none to trust: nothing follows from it
    Known,      // the images are listed
    Encrypted,  // an encrypted ESD, which wimlib cannot read
    NotAWim,    // no WIM or ESD, or a cut-off one
};

struct TImageList {
    TImageListState State = TImageListState::Unknown;
    // Known only; image i + 1 at position i.
    std::vector<TImageEntry> Images;

    int Count() const noexcept { return static_cast<int>(Images.size()); }
    // The image with that index, nullptr when the list is not known or lacks it.
    const TImageEntry* Find(int index) const noexcept;
};

// The exit codes of wimlib-imagex the list is judged by (wimlib.h, WIMLIB_ERR_...).
namespace WimlibExit {
inline constexpr std::uint32_t InvalidHeader = 17;
inline constexpr std::uint32_t NotAWimFile = 43;
inline constexpr std::uint32_t UnexpectedEndOfFile = 65;
inline constexpr std::uint32_t WimIsEncrypted = 74;
}  // namespace WimlibExit

// Reads the output of "wimlib-imagex info FILE" (standard output and error
// together, one line per entry) and the tool's exit code. Output that does
// not hang together (a count that is not the number of images listed, an
// index out of its place) gives an unknown list.
TImageList ParseImageInfo(const std::vector<std::wstring>& lines, std::uint32_t exitCode);

// The name to show for an image: its display name, else its name.
const std::wstring& ShownName(const TImageEntry& image);
// The architecture as Windows names it ("x64" for wimlib's "x86_64").
std::wstring ArchitectureLabel(const std::wstring& wimlibArchitecture);
// A setup or PE image of Microsoft's installation media (Windows Setup
// Media, Windows PE, Windows Setup) rather than an edition of Windows.
bool IsSetupImage(const TImageEntry& image);
// The index of the first image that is Windows, 0 when there is none.
int FirstWindowsImage(const TImageList& list);

// An index as typed or chosen ("1" to "99"...); 0 for anything else.
int ParseIndex(const std::wstring& text);
// How many index entries the choice offers: nine, or all of a file's
// images when it holds more.
int IndexEntryCount(const TImageList& list);
