#pragma once
// The definitions of the program's two windows.

#include "framework/FormDef.h"

extern const TFormDef MainFormDef;   // TForm1, "Nimbrel v1.8"
extern const TFormDef InfoFormDef;   // TForm2, "Wim-Info"

// Control IDs, shared with the tools that drive the windows in tests.
enum TMainFormId {
    idPanel1 = 100, idPanel2, idLabel3, idLblVersion, idPanel3, idLabel2, idJvLinkLabel1, idLabel4,
    idEdtESDFile, idBtnSelectESD, idLabel6, idComboBox1, idBtnConvert, idBtnExit, idGroupBox1, idRd1,
    idRd2, idJvLinkLabel2, idProgressBar1, idChkWimlib, idMemo1, idLblImageHint,
};
enum TInfoFormId { idInfoLabel1 = 200, idInfoMemo1, idInfoButton1 };
