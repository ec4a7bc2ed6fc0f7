#pragma once
// A panel's read that outlasted the quiet wait (see TfMain::ReadListing): the place's
// listing filling a listing of its own (on a worker, or GIO's), what the caller does
// once the rows are in, and what the panel showed before, for a cancel. User-interface
// thread only, but for Result, which only the listing touches until it has ended.

#include "fileops/uProgress.h"
#include "places/Place.h"

#include <QString>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

// How a read lists and sorts (places/Place.h).
using TPanelReadOptions = places::TListOptions;

struct TPanelRead {
    // What the place's listing fills: shared with it, as a cancelled read is abandoned and
    // may still be writing it long after the panel went on.
    using TResult = places::TListResult;

    QString Directory; // the location being read
    QString Shown;     // its caption while it is read
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
    // A listing on GIO's side instead of a worker (a remote folder): gone with the read,
    // which abandons it; and the entries arrived so far.
    std::unique_ptr<platform::TRemoteListing> Remote;
    std::shared_ptr<std::atomic<qint64>> Arrived = std::make_shared<std::atomic<qint64>>(0);

    // Where the place's listing puts the rows; `ended` ends an asynchronous one.
    places::TListSink Sink(std::function<void(const QString& error)> ended = {}) const
    {
        return {Result, Finished, Arrived, std::move(ended)};
    }
};
