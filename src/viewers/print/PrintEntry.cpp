// The entry of libtrvx_print.so, the printing module: Qt's print support, loaded by the
// first print (modules/PrintModule.h).
#include "modules/PrintModule.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace
{

class TPrinting final : public TPrintModule
{
public:
    QString Print(const QString& title, const TPaint& paint, const QString& pdfFile) override
    {
        if (!pdfFile.isEmpty()) {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdfFile);
            return PrintOn(printer, title, paint, pdfFile);
        }
        const QPrinterInfo target = QPrinterInfo::defaultPrinter();
        if (target.isNull())
            return QStringLiteral("No printer is installed: the text cannot be printed.");
        QPrinter printer(target, QPrinter::HighResolution);
        return PrintOn(printer, title, paint, target.printerName());
    }

private:
    static QString PrintOn(QPrinter& printer, const QString& title, const TPaint& paint,
                           const QString& where)
    {
        printer.setDocName(title);
        paint(printer);
        if (printer.printerState() == QPrinter::Error)
            return QStringLiteral("The text could not be printed on %1.").arg(where);
        return {};
    }
};

} // namespace

extern "C" Q_DECL_EXPORT TPrintModule* TravodexPrintModule1()
{
    static TPrinting printing;
    return &printing;
}
