#pragma once
// The dialog TForm2 "Wim-Info": shows what wimlib-imagex reports about an image.

#include "framework/win/Forms.h"

class TForm2 : public TForm {
public:
    TForm2(TComponent* owner, HWND mainWindow);

    TControl& Label1;
    TControl& Memo1;
    TControl& Button1;

    void Button1Click();
};

extern TForm2* Form2;
