#pragma once
// What the report tests share: a spooler of their own (no printer unless a test adds one), the
// metric system, and a form to put reports on.

#include "fake_spooler.h"

#include "framework/forms.h"
#include "report/quick_rep.h"
#include "support/test_support.h"

#include <memory>

class ReportTest : public testing::Test {
protected:
    // A report on a form of its own, with a detail band, as the program's report form has it.
    TQuickRep* makeReport()
    {
        if (!form)
            form = std::make_unique<TForm>(nullptr);
        auto* report = new TQuickRep(form.get());
        report->SetParent(form.get());
        return report;
    }
    TQRBand* addBand(TQuickRep* report, TQRBandType type)
    {
        auto* band = new TQRBand(form.get());
        band->SetBandType(type);
        band->SetParent(report);
        return band;
    }
    // The program's report: A4 with 3 mm margins at zoom 40, a detail band holding a picture.
    TQuickRep* programReport()
    {
        TQuickRep* report = makeReport();
        report->SetUnits(TQRUnit::MM);
        report->Page()->SetValues("(30.0 2970.0 30.0 2100.0 30.0 30.0 0.0)");
        report->SetZoom(40);
        return report;
    }
    TQRImage* addImage(TQRCustomBand* band)
    {
        auto* image = new TQRImage(form.get());
        image->SetParent(band);
        return image;
    }

    FakeSpooler spooler;
    Seam<platform::Spooler>::Scoped scopedSpooler{platform::spoolerSeam(), spooler};
    Seam<bool()>::Scoped metric{UsMeasurementSeam(), [] { return false; }};
    std::unique_ptr<TForm> form;
};
