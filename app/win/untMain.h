#pragma once
// The main window TForm1: its controls, components and event handlers.

#include "app/win/FileSystem.h"
#include "app/win/ImageListQuery.h"
#include "framework/win/Forms.h"
#include "framework/win/OpenDialog.h"
#include "framework/win/Timer.h"
#include "process/win/JvCreateProcess.h"
#include "widgets/linklabel/JvLinkLabel.h"

#include <shellapi.h>

#include <string>

// The folder of the running executable, ending with a backslash; set once
// while the main window is created.
extern std::wstring AppDir;

class TConversionProgress;

class TForm1 : public TForm {
public:
    explicit TForm1(TComponent* owner);

    TControl& Panel1;
    TControl& Panel2;
    TControl& Label3;
    TControl& lblVersion;
    TControl& Panel3;
    TControl& Label2;
    linklabel::TJvLinkLabel& JvLinkLabel1;
    TControl& Label4;
    TControl& edtESDFile;
    TControl& btnSelectESD;
    TControl& Label6;
    TControl& ComboBox1;
    TControl& btnConvert;
    TControl& btnExit;
    TControl& GroupBox1;
    TControl& rd1;
    TControl& rd2;
    linklabel::TJvLinkLabel& JvLinkLabel2;
    TControl& ProgressBar1;
    TControl& chkWimlib;
    TControl& Memo1;
    TControl& lblImageHint;
    TOpenDialog* OpenDialog1;
    TTimer* Timer1;
    TJvCreateProcess* cmd;
    TJvCreateProcess* CMD3;
    TImageListQuery* ImageListQuery;

    void FormCreate();
    void btnSelectESDClick();
    void btnExitClick();
    void JvLinkLabel1Click();

    // The conversion.
    void btnConvertClick();
    void StartConversion();
    void RunCommand(const std::wstring& applicationName, const std::wstring& commandLine,
                    const std::wstring& currentDirectory, bool wait);
    void Timer1Timer();
    void cmdTerminate(TJvCreateProcess* sender, std::uint32_t exitCode);

    // The image information viewer.
    void JvLinkLabel2Click();
    void CMD3Read(TJvCreateProcess* sender, const std::wstring& s, bool startsOnNewLine);
    void CMD3Terminate(TJvCreateProcess* sender, std::uint32_t exitCode);

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Files dropped from Explorer: the first file goes into edtESDFile.
    void AcceptDroppedFiles();
    void FilesDropped(HDROP drop);
    // Repaints and handles messages until the runner no longer waits.
    void WaitWhileWaiting(TJvCreateProcess& runner);
    void ReturnToIdle();
    bool FormCloseQuery();

    // The image list of the source file: the index entries, what the
    // drop-down list shows beside them, and the hint line.
    void ImagesChanged();
    void ShowImageHint();
    TListItemDetail IndexEntryDetail(int entry) const;
    // After the checks the conversion always made, before anything starts: false when the
    // user is refused or answers "Nein".
    bool PassesChecksBeforeTheLongWrite(const std::wstring& source);
    TImageList FImages;  // what is known about the source path in the edit field

    // The output folder, made again when it has gone since the start.
    void EnsureOutputFolder();

    // The real progress of a running conversion.
    TConversionProgress* FProgress = nullptr;
    // Whether an install.wim was there when the conversion's child started.
    bool FOutputBeforeRun = false;
};

extern TForm1* Form1;

// Asks the shell to open a web page; true when it reports success.
bool OpenUrl(const std::wstring& url);

// True when the program runs as a 32-bit process on 64-bit Windows.
bool IsWow64();
