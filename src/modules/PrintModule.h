#pragma once
// The surface of the printing module, libtrvx_print.so: Qt's print support, loaded the
// first time something is printed, so that a start does not map it. The module exports
// kPrintModuleEntry, which returns its TPrintModule. A module is never unloaded.

#include <QString>
#include <functional>

class QPagedPaintDevice;

class TPrintModule
{
public:
    using TPaint = std::function<void(QPagedPaintDevice& device)>;

    virtual ~TPrintModule() = default;

    // Prints what `paint` draws as a job named `title`: on the desktop's default printer,
    // or into the PDF file `pdfFile` when one is given. Returns an empty text when it was
    // printed, else the message for the user. User-interface thread only.
    virtual QString Print(const QString& title, const TPaint& paint,
                          const QString& pdfFile = {}) = 0;
};

// `extern "C" TPrintModule* TravodexPrintModule1()`; the number changes with this interface.
inline constexpr char kPrintModuleEntry[] = "TravodexPrintModule1";
using TPrintModuleEntry = TPrintModule* (*)();
inline constexpr char kPrintModuleFile[] = "libtrvx_print.so";
