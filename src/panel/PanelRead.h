#pragma once
// A panel's folder read that outlasted the quiet wait (see TfMain::ReadListing): the
// worker filling a listing of its own, what the caller does once the rows are in, and
// what the panel showed before, for a cancel. User-interface thread only, but for
// Result, which only the worker touches until it has returned.

#include "fileops/uProgress.h"
#include "listing/FileListing.h"
#include "platform/FileSystem.h"
#include "platform/RemotePlaces.h"

#include <QString>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

// How a folder read lists and sorts: the panel's order, and what the window keeps for
// both panels (numbers by value, hidden entries, the drive roots).
struct TPanelReadOptions {
    quint8 Order{soName};
    bool Ascending{true};
    bool Natural{false};
    bool Hidden{true};
    QStringList Drives;
};

struct TPanelRead {
    // What the worker fills: shared with it, as a cancelled read is abandoned and may
    // still be writing it long after the panel went on.
    struct TResult {
        TFileListing Listing;            // filled and sorted; no view reads it
        platform::TDirectoryStamp Stamp; // the folder's before it was read
        bool Stamped{false};
    };

    QString Directory; // the location being read
    std::shared_ptr<TResult> Result = std::make_shared<TResult>();
    std::unique_ptr<TFileWorker> Worker;
    std::function<void()> Then; // the caller's rest, once the rows are in
    // Set by the worker once it has returned, read or cancelled: a read of the same
    // folder by the other panel waits for it and then takes its entries.
    std::shared_ptr<std::atomic<bool>> Finished = std::make_shared<std::atomic<bool>>(false);
    bool Done{false}; // returned while a command ran: it lands once the command is over
    int Restarts{0};  // times the folder changed while it was read and was read again
    // What the panel showed before the read began.
    QString Caption, Objects, Bytes;
    int Focused{-1};
    QTimer Status; // shows the entries counted so far
    // A remote folder's read (uMainRemote.cpp), on GIO's side instead of a worker: gone
    // with the read, which abandons it; and the entries arrived so far.
    std::unique_ptr<platform::TRemoteListing> Remote;
    std::shared_ptr<std::atomic<qint64>> Arrived = std::make_shared<std::atomic<qint64>>(0);
};
