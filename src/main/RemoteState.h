#pragma once
// The window's remote side (uMainRemote.cpp), where its units need the whole of it.

#include "fileops/uProgress.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "remote/RemoteAsker.h"

#include <array>
#include <memory>

// The window's remote side: the dialogs that answer a mount's questions (they must
// outlive it), the mount under way (one at a time) and each panel's free-space query.
struct TRemoteState {
    explicit TRemoteState(TfMain* window) : Asker(window) {}
    ~TRemoteState()
    {
        if (Mounting)
            Mounting->Cancel();
        if (platform::TRemotePlaces* places = LoadedRemotePlaces())
            places->ForgetReconnectAsker(&Asker);
    }
    TRemoteAsker Asker;
    std::shared_ptr<platform::TRemoteCancel> Mounting;
    std::array<std::unique_ptr<TFileWorker>, 2> FreeSpace;
};
