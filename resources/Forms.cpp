#include "resources/Forms.h"

#include <iterator>

namespace {

constexpr TColor kDarkTeal = RGBColor(0, 64, 80);

constexpr TFontDef kTahoma8 = {L"Tahoma", 11, false, clWindowText};
constexpr TFontDef kHeaderName = {L"Segoe UI", 48, true, clWhite};
constexpr TFontDef kWhiteTahoma8 = {L"Tahoma", 11, false, clWhite};
constexpr TFontDef kWhiteTahoma16 = {L"Tahoma", 16, false, clWhite};
constexpr TFontDef kWhiteTahoma13 = {L"Tahoma", 13, false, clWhite};

const wchar_t* const kIndexEntries[] = {L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", nullptr};

// Tab order counts within the parent; controls without one never take focus.
const TControlDef kMainControls[] = {
    {L"Panel1", idPanel1, TControlKind::Panel, nullptr, 0, 0, 0, 0, L"", -1, coAlignClient, nullptr, nullptr},
    {L"Panel2", idPanel2, TControlKind::Panel, L"Panel1", 0, 0, 0, 105, L"", -1, coAlignTop, nullptr, nullptr},
    {L"Label3", idLabel3, TControlKind::Label, L"Panel2", 16, 5, 0, 0, L"Nimbrel", -1, coNone, &kHeaderName, nullptr},
    {L"lblVersion", idLblVersion, TControlKind::Label, L"Panel2", 16, 77, 0, 0, L"", -1, coNone, &kWhiteTahoma8, nullptr},
    {L"Panel3", idPanel3, TControlKind::Panel, L"Panel1", 0, 0, 0, 0, L"", -1, coAlignClient, nullptr, nullptr},
    {L"Label2", idLabel2, TControlKind::Label, L"Panel3", 16, 6, 0, 0, L"Install.ESD oder Install.WIM konvertieren",
     -1, coNone, &kWhiteTahoma16, nullptr},
    {L"JvLinkLabel1", idJvLinkLabel1, TControlKind::LinkLabel, L"Panel3", 390, 11, 137, 13,
     L"<link>Info zu Nimbrel</link>", 9, coNone, nullptr, nullptr},
    {L"Label4", idLabel4, TControlKind::Label, L"Panel3", 16, 42, 492, 48,
     L"Die Download-Versionen von Windows 8/10 enthalten eine Install.ESD oder Install.WIM, die sich nicht "
     L"zusammen mit Winbuilder und ähnlichen Tools  verwenden lassen.  Sie müssen diese in eine neue "
     L"Install.WIM überführen. ",
     -1, coWordWrap, &kWhiteTahoma13, nullptr},
    {L"edtESDFile", idEdtESDFile, TControlKind::Edit, L"Panel3", 16, 102, 361, 21, L"", 1, coNone, nullptr, nullptr},
    {L"btnSelectESD", idBtnSelectESD, TControlKind::Button, L"Panel3", 390, 90, 32, 40, L"...", 0, coNone, nullptr,
     nullptr},
    {L"Label6", idLabel6, TControlKind::Label, L"Panel3", 434, 105, 0, 0, L"Index:", -1, coNone, &kWhiteTahoma8,
     nullptr},
    {L"ComboBox1", idComboBox1, TControlKind::ComboBox, L"Panel3", 472, 102, 39, 21, L"1", 8, coItemDetails, nullptr,
     kIndexEntries},
    {L"btnConvert", idBtnConvert, TControlKind::Button, L"Panel3", 16, 141, 137, 33, L"Konvertieren", 3, coNone,
     nullptr, nullptr},
    {L"btnExit", idBtnExit, TControlKind::Button, L"Panel3", 172, 141, 137, 33, L"Beenden", 2, coNone, nullptr,
     nullptr},
    {L"GroupBox1", idGroupBox1, TControlKind::GroupBox, L"Panel3", 318, 136, 193, 84, L"Komprimierung", 6, coNone,
     nullptr, nullptr},
    {L"rd1", idRd1, TControlKind::RadioButton, L"GroupBox1", 16, 15, 161, 33, L"maximum (für die Weiterverarbeitung)",
     0, coChecked | coWordWrap, nullptr, nullptr},
    {L"rd2", idRd2, TControlKind::RadioButton, L"GroupBox1", 16, 44, 161, 34, L"recovery (für die Installation)", 1,
     coWordWrap, nullptr, nullptr},
    {L"JvLinkLabel2", idJvLinkLabel2, TControlKind::LinkLabel, L"Panel3", 19, 183, 222, 13,
     L"<link>Infos zur WIM-Datei anzeigen</link>", 10, coNone, nullptr, nullptr},
    {L"ProgressBar1", idProgressBar1, TControlKind::ProgressBar, L"Panel3", 19, 202, 293, 17, L"", 7, coHidden,
     nullptr, nullptr},
    {L"chkWimlib", idChkWimlib, TControlKind::CheckBox, L"Panel3", 16, -9, 495, 17,
     L"Wimlib statt Dism verwenden (empfohlen, erforderlich für Windows 8.1 Downloads)", 4, coChecked | coHidden,
     nullptr, nullptr},
    {L"Memo1", idMemo1, TControlKind::Memo, L"Panel3", 366, 14, 123, 66, L"", 5, coHidden, nullptr, nullptr},
    // The hint line: what the chosen index stands for. Between the path row
    // and the buttons, clear of the group box.
    {L"lblImageHint", idLblImageHint, TControlKind::Label, L"Panel3", 16, 124, 296, 13, L"", -1, coNone,
     &kWhiteTahoma8, nullptr},
};

const TControlDef kInfoControls[] = {
    {L"Label1", idInfoLabel1, TControlKind::Label, nullptr, 8, 16, 0, 0, L"Wim-Info:", -1, coNone, nullptr, nullptr},
    {L"Memo1", idInfoMemo1, TControlKind::Memo, nullptr, 8, 35, 497, 254, L"", 0, coScrollBars | coWordWrap, nullptr,
     nullptr},
    {L"Button1", idInfoButton1, TControlKind::Button, nullptr, 392, 295, 113, 25, L"Schließen", 1, coNone, nullptr,
     nullptr},
};

}  // namespace

const TFormDef MainFormDef = {
    L"TForm1", L"Nimbrel v1.8", TBorderStyle::ToolWindow, TPosition::ScreenCenter, 535, 343, kDarkTeal, kTahoma8,
    kMainControls, std::size(kMainControls)};

const TFormDef InfoFormDef = {
    L"TForm2", L"Wim-Info", TBorderStyle::Dialog, TPosition::MainFormCenter, 513, 328, clBtnFace, kTahoma8,
    kInfoControls, std::size(kInfoControls)};
