// The main window and the image list of its source file: the index
// entries, the details the drop-down list shows beside them, the hint line,
// and the checks before the long write.

#include "app/MainTexts.h"
#include "app/win/untMain.h"
#include "framework/Dpi.h"
#include "framework/StrUtils.h"
#include "framework/win/Dialogs.h"
#include "framework/win/ListItemDetail.h"
#include "framework/win/WindowText.h"
#include "imageinfo/WriteChecks.h"

#include <string>
#include <vector>

namespace {

// The widest the drop-down list grows for its details (at 96 DPI).
constexpr int kDroppedListWidth = 400;

// Ja/Nein, "Nein" the default: going on may well fail after a long wait.
bool AskToGoOn(HWND owner, const std::wstring& question)
{
    return ShowMessageBox(owner, question, MainTexts::kQuestionTitle, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) ==
           IDYES;
}

}  // namespace

void TForm1::ImagesChanged()
{
    FImages = ImageListQuery->ListFor(Trim(edtESDFile.Text()));
    const int count = IndexEntryCount(FImages);
    if (ComboBox1.ItemCount() != count) {
        std::vector<std::wstring> entries;
        for (int i = 1; i <= count; ++i)
            entries.push_back(std::to_wstring(i));
        ComboBox1.SetItems(entries);
    }
    FitDroppedWidth(ComboBox1.Handle(), ScaleForDpi(kDroppedListWidth, Dpi()));
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (GetComboBoxInfo(ComboBox1.Handle(), &info) && info.hwndList != nullptr)
        InvalidateRect(info.hwndList, nullptr, TRUE);  // an open list shows the news
    ShowImageHint();
}

void TForm1::ShowImageHint()
{
    const int selected = ComboBox1.ItemIndex();
    const THintText hint = ComposeHint(FImages, selected >= 0 ? ComboBox1.ItemText(selected) : std::wstring());
    const HWND label = lblImageHint.Handle();
    RECT client{};
    GetClientRect(label, &client);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
    const auto width = [label, font](const std::wstring& text) {
        return static_cast<int>(TextExtent(label, font, text).cx);
    };
    // A pixel to spare: the theme draws small text unsmoothed, which may be wider.
    const std::wstring shown = FitHint(hint, client.right - 1, width);
    lblImageHint.SetText(shown);
}

TListItemDetail TForm1::IndexEntryDetail(int entry) const
{
    TListItemDetail detail;
    if (FImages.State != TImageListState::Known)
        return detail;  // nothing known: the bare numbers
    if (const TImageEntry* image = FImages.Find(ParseIndex(ComboBox1.ItemText(entry))))
        detail.Detail = MainTexts::IndexEntryDetail(*image);
    else
        detail.Dimmed = true;  // a number the file lacks
    return detail;
}

bool TForm1::PassesChecksBeforeTheLongWrite(const std::wstring& source)
{
    if (ToolPathOf(source).empty()) {
        ShowErrorBox(Handle(), MainTexts::PathTooLong(source.size()));
        return false;
    }
    // The list as it stands for this file now: unknown while it is still
    // asked, when it could not be, or when the file changed since.
    const TImageList images = ImageListQuery->ListFor(source);
    const int selected = ComboBox1.ItemIndex();
    const std::wstring index = selected >= 0 ? ComboBox1.ItemText(selected) : std::wstring();
    const TCompression compression = rd1.Checked() ? TCompression::Lzx : TCompression::Lzms;
    const std::wstring folder = AppDir + AppPaths::OutputFolder;
    TTargetVolume volume;
    if (images.State == TImageListState::Known) {
        volume = ReadTargetVolume(folder);
        if (!volume.Known)
            volume = ReadTargetVolume(AppDir);  // the folder is made again when the conversion starts
    }
    for (const TWriteCheck& check : WriteChecks(images, index, compression, volume)) {
        switch (check.Kind) {
        case TWriteCheckKind::MissingIndex:
            ShowErrorBox(Handle(), MainTexts::MissingIndex(check.Index, check.ImageCount));
            return false;
        case TWriteCheckKind::Encrypted:
            ShowErrorBox(Handle(), MainTexts::Encrypted());
            return false;
        case TWriteCheckKind::FileTooLarge:
            if (!AskToGoOn(Handle(),
                           MainTexts::FileTooLargeQuestion(folder, volume.FileSystem, check.Room, check.Estimate)))
                return false;
            break;
        case TWriteCheckKind::FreeSpace:
            if (!AskToGoOn(Handle(), MainTexts::FreeSpaceQuestion(folder, check.Room, check.Estimate)))
                return false;
            break;
        }
    }
    return true;
}
