#include "report/qr_progress_form.h"

#include "framework/std_controls.h"

#include <algorithm>

// --- TQRProgressBar ---

PICTAVO_DEFINE_CLASS(TQRProgressBar, TCustomControl, nullptr, nullptr)

TQRProgressBar::TQRProgressBar(TComponent* owner) : TCustomControl(owner) {}

void TQRProgressBar::SetPosition(int position)
{
    position = std::clamp(position, 0, 100);
    if (position == m_position)
        return;
    m_position = position;
    Invalidate();
}

void TQRProgressBar::Paint()
{
    TCanvas& canvas = *Canvas();
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clBtnFace);
    canvas.FillRect(ClientRect());
    canvas.Brush().SetColor(clHighlight);
    canvas.FillRect(TRect{0, 0, Width() * m_position / 100, Height()});
    canvas.Brush().SetColor(clBtnShadow);
    canvas.FrameRect(ClientRect());
}

// --- TQRProgressForm ---

PICTAVO_DEFINE_CLASS(TQRProgressForm, TForm, nullptr, nullptr)

TQRProgressForm::TQRProgressForm(TComponent* owner) : TForm(owner)
{
    SetCaption("Printing progress");
    SetBorderStyle(bsDialog);
    SetFormStyle(fsStayOnTop);
    SetPosition(poScreenCenter);
    SetClientSize(250, 90);
    ProgressBar = new TQRProgressBar(this);
    ProgressBar->SetParent(this);
    ProgressBar->SetBounds(10, 10, ClientWidth() - 20, 15);
    Info = new TLabel(this);
    Info->SetParent(this);
    Info->SetAutoSize(false);
    Info->SetAlignment(taCenter);
    Info->SetBounds(10, 32, ClientWidth() - 20, 16);
    CancelButton = new TButton(this);
    CancelButton->SetParent(this);
    CancelButton->SetCaption("Cancel");
    CancelButton->SetBounds((ClientWidth() - 75) / 2, 56, 75, 25);
    CancelButton->OnClick = [this](TObject*) {
        if (m_printer)
            m_printer->Cancel();
    };
}

void TQRProgressForm::ProgressUpdate(int percent)
{
    if (percent % 5 != 0)
        return;
    ProgressBar->SetPosition(percent);
    Info->SetCaption(std::to_string(percent) + "% " + " Completed");
}
