#include "app/dialogs/win/Unit2.h"

#include "resources/Forms.h"

TForm2* Form2 = nullptr;

TForm2::TForm2(TComponent* owner, HWND mainWindow)
    : TForm(owner, InfoFormDef, mainWindow),
      Label1(Control(L"Label1")),
      Memo1(Control(L"Memo1")),
      Button1(Control(L"Button1"))
{
    Form2 = this;
    Button1.OnClick = [this] { Button1Click(); };
}

void TForm2::Button1Click()
{
    Close();
}
