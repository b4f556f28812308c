#include "app/win/untMain.h"

#include "app/MainTexts.h"
#include "framework/win/Application.h"
#include "resources/Forms.h"

#include <shellapi.h>

std::wstring AppDir;
TForm1* Form1 = nullptr;

bool FileExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsWow64()
{
    // Looked up at each call: systems before XP SP2 lack it.
    using TIsWow64Process = BOOL(WINAPI*)(HANDLE, PBOOL);
    const HMODULE kernel = GetModuleHandleW(L"kernel32");
    if (kernel == nullptr)
        return false;
    const auto isWow64Process =
        reinterpret_cast<TIsWow64Process>(reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
    BOOL wow64 = FALSE;
    if (isWow64Process == nullptr || !isWow64Process(GetCurrentProcess(), &wow64))
        return false;
    return wow64 != FALSE;
}

bool OpenUrl(const std::wstring& url)
{
    const HINSTANCE result = ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

TForm1::TForm1(TComponent* owner)
    : TForm(owner, MainFormDef, nullptr),
      Panel1(Control(L"Panel1")),
      Panel2(Control(L"Panel2")),
      Label3(Control(L"Label3")),
      lblVersion(Control(L"lblVersion")),
      Panel3(Control(L"Panel3")),
      Label2(Control(L"Label2")),
      JvLinkLabel1(Control(L"JvLinkLabel1")),
      Label4(Control(L"Label4")),
      edtESDFile(Control(L"edtESDFile")),
      btnSelectESD(Control(L"btnSelectESD")),
      Label6(Control(L"Label6")),
      ComboBox1(Control(L"ComboBox1")),
      btnConvert(Control(L"btnConvert")),
      btnExit(Control(L"btnExit")),
      GroupBox1(Control(L"GroupBox1")),
      rd1(Control(L"rd1")),
      rd2(Control(L"rd2")),
      JvLinkLabel2(Control(L"JvLinkLabel2")),
      ProgressBar1(Control(L"ProgressBar1")),
      chkWimlib(Control(L"chkWimlib")),
      Memo1(Control(L"Memo1")),
      OpenDialog1(new TOpenDialog(this)),
      Timer1(new TTimer(this))
{
    Form1 = this;
    OpenDialog1->Filter = kOpenDialogFilter;
    OpenDialog1->FilterIndex = 1;
    OpenDialog1->Options = OFN_HIDEREADONLY | OFN_ENABLESIZING;
    Timer1->SetEnabled(false);
    Timer1->SetInterval(1000);

    btnSelectESD.OnClick = [this] { btnSelectESDClick(); };
    btnExit.OnClick = [this] { btnExitClick(); };
    JvLinkLabel1.OnClick = [this] { JvLinkLabel1Click(); };

    FormCreate();
}

void TForm1::FormCreate()
{
    AppDir = ComposeAppDir(ExecutablePath());
    const std::wstring outputFolder = AppDir + AppPaths::OutputFolder;
    if (!DirectoryExists(outputFolder))
        CreateDirectoryW(outputFolder.c_str(), nullptr);  // a failure shows later as a missing output file
}

void TForm1::btnSelectESDClick()
{
    if (OpenDialog1->Execute(Handle()))
        edtESDFile.SetText(OpenDialog1->FileName);
}

void TForm1::btnExitClick()
{
    Close();
}

void TForm1::JvLinkLabel1Click()
{
    OpenUrl(kInfoPageUrl);
}
