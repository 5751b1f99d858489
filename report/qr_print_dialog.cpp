#include "report/qr_print_dialog.h"

#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace {

std::optional<QRPrintDialogResult> showPrintDialog(const QRPrintDialogRequest& request)
{
    if (!request.printerInstalled) {
        QMessageBox::warning(nullptr, QString(), QStringLiteral("No printers are installed"));
        return std::nullopt;
    }
    QPrinter printer;
    printer.setCopyCount(request.copies);
    QPrintDialog dialog(&printer);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, true);
    if (request.maxPage > 0) {
        dialog.setMinMax(request.minPage, request.maxPage);
        dialog.setFromTo(request.fromPage, request.toPage);
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    QRPrintDialogResult result;
    result.copies = printer.copyCount();
    switch (dialog.printRange()) {
    case QAbstractPrintDialog::Selection:
        result.range = QRPrintDialogResult::Selection;
        break;
    case QAbstractPrintDialog::PageRange:
        result.range = QRPrintDialogResult::Pages;
        result.fromPage = dialog.fromPage();
        result.toPage = dialog.toPage();
        break;
    default:
        result.range = QRPrintDialogResult::All;
        break;
    }
    return result;
}

} // namespace

Seam<std::optional<QRPrintDialogResult>(const QRPrintDialogRequest&)>& QRPrintDialogSeam()
{
    static Seam<std::optional<QRPrintDialogResult>(const QRPrintDialogRequest&)> seam(showPrintDialog);
    return seam;
}
