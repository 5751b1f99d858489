#pragma once
// The window that shows how far a print run has come, with a button that cancels it.

#include "framework/forms.h"
#include "report/qr_printer.h"

class TButton;
class TLabel;

// A bar filled from the left to its position (0..100).
class TQRProgressBar : public TCustomControl {
    PICTAVO_CLASS(TQRProgressBar)
public:
    explicit TQRProgressBar(TComponent* owner);
    int Position() const { return m_position; }
    void SetPosition(int position);

protected:
    void Paint() override;

private:
    int m_position = 0;
};

class TQRProgressForm : public TForm, public TQRProgressWindow {
    PICTAVO_CLASS(TQRProgressForm)
public:
    explicit TQRProgressForm(TComponent* owner);

    TQRPrinter* QRPrinter() const { return m_printer; }
    void SetQRPrinter(TQRPrinter* printer) { m_printer = printer; }

    TQRProgressBar* ProgressBar = nullptr;
    TLabel* Info = nullptr;
    TButton* CancelButton = nullptr;

protected:
    void PageAvailable(int) override {}
    void ProgressUpdate(int percent) override;

private:
    TQRPrinter* m_printer = nullptr;
};
