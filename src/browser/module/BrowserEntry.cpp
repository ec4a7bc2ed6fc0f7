// The entry of libtrvx_browser.so, the HTML viewer's module.
#include "browser/BrowserModule.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT TViewerModule* TravodexViewerModule3()
{
    return &BrowserModule();
}
