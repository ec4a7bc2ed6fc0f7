#pragma once
// A panel's folder read that outlasted the quiet wait (see TfMain::ReadListing): the
// worker filling a listing of its own, what the caller does once the rows are in, and
// what the panel showed before, for a cancel. User-interface thread only, but for
// Result, which only the worker touches until it has returned.

#include "fileops/uProgress.h"
#include "listing/FileListing.h"

#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

struct TPanelRead {
    QString Directory;   // the location being read
    TFileListing Result; // filled and sorted by the worker; no view reads it
    // Declared after Result: destroying the read stops and joins the worker first.
    std::unique_ptr<TFileWorker> Worker;
    std::function<void()> Then; // the caller's rest, once the rows are in
    // Set by the worker once it has returned, read or cancelled: a read of the same
    // folder by the other panel waits for it and then takes its entries.
    std::shared_ptr<std::atomic<bool>> Finished = std::make_shared<std::atomic<bool>>(false);
    // What the panel showed before the read began.
    QString Caption, Objects, Bytes;
    int Focused{-1};
    QTimer Status; // shows the entries counted so far
};
