#pragma once
// The about box: the program's name, version and author in shadow text on a dark blue panel.
// A double click on the program's picture uncovers a panel that scrolls thanks and contact
// lines; closing the box covers it again, so every opening starts without it.

#include "framework/forms.h"

class TPanel;
class TImage;
class TRxLabel;
class TSecretPanel;
class TButton;

class TSobre : public TForm {
    PICTAVO_CLASS(TSobre)
public:
    explicit TSobre(TComponent* owner);

    void ProgramIconDblClick(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);

    TPanel* Panel1 = nullptr;
    TImage* ProgramIcon = nullptr;
    TRxLabel* RxLabel1 = nullptr;
    TRxLabel* RxLabel2 = nullptr;
    TRxLabel* RxLabel3 = nullptr;
    TRxLabel* RxLabel4 = nullptr;
    TRxLabel* RxLabel5 = nullptr;
    TRxLabel* RxLabel6 = nullptr;
    TSecretPanel* SecretPanel = nullptr;
    TButton* OKButton = nullptr;
};

// The application-wide about box, made at start-up (null before).
extern TSobre* Sobre;
