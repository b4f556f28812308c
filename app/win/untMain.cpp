#include "app/win/untMain.h"

#include "app/ConversionOutcome.h"
#include "app/MainTexts.h"
#include "app/dialogs/win/Unit2.h"
#include "app/win/ConversionProgress.h"
#include "framework/StrUtils.h"
#include "framework/win/Application.h"
#include "framework/win/Dialogs.h"
#include "framework/win/Dpi.h"
#include "framework/win/Shell.h"
#include "resources/Forms.h"
#include "sysinfo/win/SystemInfo.h"

#include <shellapi.h>

std::wstring AppDir;
TForm1* Form1 = nullptr;

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
    const HINSTANCE result = ShellExecuteFile(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
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
      JvLinkLabel1(GraphicControl<linklabel::TJvLinkLabel>(L"JvLinkLabel1")),
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
      JvLinkLabel2(GraphicControl<linklabel::TJvLinkLabel>(L"JvLinkLabel2")),
      ProgressBar1(Control(L"ProgressBar1")),
      chkWimlib(Control(L"chkWimlib")),
      Memo1(Control(L"Memo1")),
      lblImageHint(Control(L"lblImageHint")),
      OpenDialog1(new TOpenDialog(this)),
      Timer1(new TTimer(this)),
      cmd(new TJvCreateProcess(this)),
      CMD3(new TJvCreateProcess(this)),
      ImageListQuery(new TImageListQuery(this))
{
    Form1 = this;
    OpenDialog1->Filter = kOpenDialogFilter;
    OpenDialog1->FilterIndex = 1;
    OpenDialog1->Options = OFN_HIDEREADONLY | OFN_ENABLESIZING;
    Timer1->SetEnabled(false);
    Timer1->SetInterval(1000);

    cmd->Name = L"cmd";
    cmd->OnTerminate = [this](TJvCreateProcess* sender, std::uint32_t exitCode) { cmdTerminate(sender, exitCode); };

    // The information query runs the tool directly, hidden, and captures it.
    CMD3->Name = L"CMD3";
    TJvCPSStartupInfo& startup = CMD3->StartupInfo();
    startup.DefaultPosition = false;
    startup.DefaultSize = false;
    startup.DefaultWindowState = false;
    startup.ShowWindow = swHide;
    CMD3->SetConsoleOptions(TJvConsoleOptions{coOwnerData, coRedirect});
    CMD3->OnRead = [this](TJvCreateProcess* sender, const std::wstring& text, bool startsOnNewLine) {
        CMD3Read(sender, text, startsOnNewLine);
    };
    CMD3->OnTerminate = [this](TJvCreateProcess* sender, std::uint32_t exitCode) { CMD3Terminate(sender, exitCode); };

    FProgress = new TConversionProgress(this, ProgressBar1, Handle());
    Timer1->OnTimer = [this] { Timer1Timer(); };
    btnSelectESD.OnClick = [this] { btnSelectESDClick(); };
    btnExit.OnClick = [this] { btnExitClick(); };
    btnConvert.OnClick = [this] { btnConvertClick(); };
    JvLinkLabel1.OnClick = [this](TGraphicControl*) { JvLinkLabel1Click(); };
    JvLinkLabel2.OnClick = [this](TGraphicControl*) { JvLinkLabel2Click(); };
    OnCloseQuery = [this] { return FormCloseQuery(); };

    // The image list follows the source path; the viewer and its CMD3 stay apart from it.
    ImageListQuery->Tool = [] { return ToolPath(AppDir, IsWow64()); };
    ImageListQuery->ToolArgument = [](const std::wstring& path) { return ToolPathOf(path); };
    ImageListQuery->OnChange = [this] { ImagesChanged(); };
    edtESDFile.OnChange = [this] { ImageListQuery->PathTyped(Trim(edtESDFile.Text())); };
    ComboBox1.OnChange = [this] { ShowImageHint(); };
    ComboBox1.OnItemDetail = [this](int entry) { return IndexEntryDetail(entry); };

    FormCreate();
    AcceptDroppedFiles();
}

namespace {

// The program runs elevated; Windows' message filter then drops what a
// non-elevated Explorer sends for a drop unless the window lets it through.
// Windows before 7 lack the call (and need nothing): looked up by name.
void AllowDropMessagesFromLowerProcesses(HWND window)
{
    using TChangeWindowMessageFilterEx = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    const HMODULE user = GetModuleHandleW(L"user32");
    if (user == nullptr)
        return;
    const auto change = reinterpret_cast<TChangeWindowMessageFilterEx>(
        reinterpret_cast<void*>(GetProcAddress(user, "ChangeWindowMessageFilterEx")));
    if (change == nullptr)
        return;
    constexpr DWORD kAllow = 1;                 // MSGFLT_ALLOW
    constexpr UINT kCopyGlobalData = 0x0049;    // WM_COPYGLOBALDATA: carries the file list
    for (const UINT message : {static_cast<UINT>(WM_DROPFILES), static_cast<UINT>(WM_COPYDATA), kCopyGlobalData})
        change(window, message, kAllow, nullptr);
}

// Releases the shell's drop data however the handling ends.
class TDropGuard {
public:
    explicit TDropGuard(HDROP drop) noexcept : FDrop(drop) {}
    ~TDropGuard() { FinishDrop(FDrop); }
    TDropGuard(const TDropGuard&) = delete;
    TDropGuard& operator=(const TDropGuard&) = delete;

private:
    HDROP FDrop;
};

std::wstring DroppedPath(HDROP drop, UINT index)
{
    const UINT length = DroppedFile(drop, index, nullptr, 0);
    if (length == 0)
        return std::wstring();
    std::wstring path(length + 1, L'\0');
    path.resize(DroppedFile(drop, index, path.data(), length + 1));
    return path;
}

} // namespace

void TForm1::AcceptDroppedFiles()
{
    ::AcceptDroppedFiles(Handle(), true);
    AllowDropMessagesFromLowerProcesses(Handle());
}

LRESULT TForm1::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kDpiChangedMessage) {
        // Laid out anew: the hint is fitted to its new width.
        const LRESULT result = TForm::WndProc(message, wParam, lParam);
        ImagesChanged();
        return result;
    }
    if (message == WM_DROPFILES) {
        const auto drop = reinterpret_cast<HDROP>(wParam);
        TDropGuard guard(drop);
        FilesDropped(drop);
        return 0;
    }
    return TForm::WndProc(message, wParam, lParam);
}

void TForm1::FilesDropped(HDROP drop)
{
    // A running conversion keeps the file it was started with in view.
    if (!btnConvert.Enabled())
        return;
    // The first dropped file counts; folders are passed over.
    const UINT count = DroppedFile(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const std::wstring path = DroppedPath(drop, i);
        if (!path.empty() && FileExists(path)) {
            edtESDFile.SetText(path);
            ImageListQuery->PathChosen(Trim(path));
            return;
        }
    }
}

void TForm1::FormCreate()
{
    AppDir = ComposeAppDir(ExecutablePath());
    EnsureOutputFolder();
    lblVersion.SetText(SystemLineForThisSystem());
}

void TForm1::EnsureOutputFolder()
{
    const std::wstring outputFolder = AppDir + AppPaths::OutputFolder;
    if (!DirectoryExists(outputFolder))
        CreateDirectoryW(outputFolder.c_str(), nullptr);  // a failure: the batch file names it
}

void TForm1::btnSelectESDClick()
{
    if (OpenDialog1->Execute(Handle())) {
        edtESDFile.SetText(OpenDialog1->FileName);
        ImageListQuery->PathChosen(Trim(OpenDialog1->FileName));
    }
}

void TForm1::btnExitClick()
{
    Close();
}

void TForm1::JvLinkLabel1Click()
{
    OpenUrl(kInfoPageUrl);
}

bool TForm1::FormCloseQuery()
{
    // While a child runs, the request is remembered: the program ends once
    // the child has ended and its handler has run.
    if (cmd->State() == psWaiting || CMD3->State() == psWaiting) {
        Application->Terminate();
        return false;
    }
    return true;
}

void TForm1::WaitWhileWaiting(TJvCreateProcess& runner)
{
    // Sleeps between passes until a message arrives instead of spinning, so
    // the compression it waits for keeps both processors.
    while (runner.State() == psWaiting) {
        Repaint();
        Application->ProcessMessages();
        if (runner.State() == psWaiting)
            Application->WaitForMessage();
    }
}

void TForm1::btnConvertClick()
{
    if (FileExists(AppDir + AppPaths::OutputFileAsChecked)) {
        ShowErrorBox(Handle(), MainTexts::OutputExists(AppDir));
        return;
    }
    // Deleted since the start, wimlib could not write into it.
    EnsureOutputFolder();
    StartConversion();
}

void TForm1::StartConversion()
{
    const std::wstring source = Trim(edtESDFile.Text());
    if (!FileExists(source)) {
        ShowErrorBox(Handle(), MainTexts::NoSource());
        return;
    }
    if (!FileExists(AppDir + AppPaths::BatchFile)) {
        ShowErrorBox(Handle(), MainTexts::BatchMissing(AppDir));
        return;
    }
    const std::wstring tool = ToolPath(AppDir, IsWow64());
    if (!FileExists(tool)) {
        ShowErrorBox(Handle(), MainTexts::ToolMissing(tool));
        return;
    }
    if (!PassesChecksBeforeTheLongWrite(source))
        return;

    btnConvert.SetEnabled(false);
    btnExit.SetEnabled(false);
    ProgressBar1.SetVisible(true);
    Timer1->SetEnabled(true);

    const std::wstring compression = rd1.Checked() ? L"LZX" : L"LZMS";
    const int selected = ComboBox1.ItemIndex();
    const std::wstring index = selected >= 0 ? ComboBox1.ItemText(selected) : std::wstring();
    std::wstring comspec(32768, L'\0');
    comspec.resize(GetEnvironmentVariableW(L"COMSPEC", comspec.data(), static_cast<DWORD>(comspec.size())));

    // A path too long for the interpreter goes in its short form (checked above).
    const std::wstring commandLine = ComposeConversionCommandLine(AppDir, tool, ToolPathOf(source), compression, index);
    ShowPlainBox(Handle(), commandLine);
    FOutputBeforeRun = FileExists(AppDir + AppPaths::OutputFile);
    try {
        RunCommand(comspec, commandLine, L"", true);
    } catch (...) {
        // The child never started: back to idle before the error is shown.
        ReturnToIdle();
        throw;
    }
}

void TForm1::RunCommand(const std::wstring& applicationName, const std::wstring& commandLine,
                        const std::wstring& currentDirectory, bool wait)
{
    cmd->SetCommandLine(commandLine);
    cmd->SetApplicationName(applicationName);
    cmd->SetCurrentDirectory(currentDirectory);
    cmd->SetWaitForTerminate(wait);
    cmd->Run();
    FProgress->Started(cmd->ProcessInfo().dwProcessId);
    WaitWhileWaiting(*cmd);
}

void TForm1::Timer1Timer()
{
    // A percentage read from the conversion's console takes the cycle's place.
    if (FProgress->Known())
        return;
    if (ProgressBar1.Position() >= 100)
        ProgressBar1.SetPosition(0);
    ProgressBar1.SetPosition(ProgressBar1.Position() + 5);
    FProgress->Mirror();
}

void TForm1::ReturnToIdle()
{
    btnConvert.SetEnabled(true);
    btnExit.SetEnabled(true);
    Timer1->SetEnabled(false);
    ProgressBar1.SetVisible(false);
}

void TForm1::cmdTerminate(TJvCreateProcess*, std::uint32_t exitCode)
{
    // The output file decides, unless it is not this run's.
    const bool succeeded = ConversionSucceeded(FileExists(AppDir + AppPaths::OutputFile), FOutputBeforeRun, exitCode);
    FProgress->Ended(succeeded);
    ReturnToIdle();
    if (succeeded) {
        ShowInfoBox(Handle(), MainTexts::Success(AppDir));
        const std::wstring parameters = ComposeExplorerParameters(AppDir);
        ShellExecuteFile(Handle(), L"open", L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
    } else {
        ShowErrorBox(Handle(), MainTexts::Failure());
        FProgress->Idle();
    }
}

void TForm1::JvLinkLabel2Click()
{
    const std::wstring source = Trim(edtESDFile.Text());
    if (!FileExists(source)) {
        ShowErrorBox(Handle(), MainTexts::NoSource());
        return;
    }
    // A query still running keeps its collected lines: refuse before
    // anything is touched.
    if (CMD3->State() == psWaiting)
        throw EJvCreateProcessError(L"Cannot perform this operation when process is running");
    const std::wstring tool = ToolPath(AppDir, IsWow64());
    Memo1.ClearLines();
    Form2->Memo1.ClearLines();
    CMD3->SetCommandLine(ComposeInfoCommandLine(source));
    CMD3->SetApplicationName(tool);
    CMD3->SetCurrentDirectory(L"");
    CMD3->SetWaitForTerminate(true);
    CMD3->Run();
    WaitWhileWaiting(*CMD3);
}

void TForm1::CMD3Read(TJvCreateProcess*, const std::wstring& s, bool startsOnNewLine)
{
    // A report that does not start a new line is the new content of the
    // line reported last.
    if (startsOnNewLine || Memo1.LineCount() == 0)
        Memo1.AddLine(s);
    else
        Memo1.ReplaceLastLine(s);
}

void TForm1::CMD3Terminate(TJvCreateProcess*, std::uint32_t)
{
    std::wstring text = Memo1.AllText();
    // The empty line after the last line feed is not part of the output.
    if (Memo1.LineCount() > 0 && Memo1.Line(Memo1.LineCount() - 1).empty())
        text.resize(text.size() - 2);
    Form2->Memo1.SetText(text);
    Form2->ShowModal();
}
