// The place each panel shows (places/PlaceOf.h), made from the panel's state for the
// commands that run through it, and its refusals as the window gives them.
#include "archive/ReadOnlyArchive.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "panel/RemoteLocation.h"
#include "places/PlaceOf.h"
#include "platform/FileNames.h"

std::unique_ptr<places::TPlace> TfMain::PlaceOf(TSide side)
{
    const TPanel& p = m_panels[side];
    places::TPlaceState state;
    state.Directory = p.Directory;
    state.Remote = ShowsRemote(side);
    state.ArchiveListing = p.Listing.IsArchiveListing();
    state.Zip = p.Zip;
    state.ReadOnly = ShowsReadOnlyArchive(side) ? p.ReadOnly.get() : nullptr;
    state.Results = state.Remote ? ShowsRemoteFed(side) : ShowsFedResults(side);
    if (state.Remote) {
        state.Shown = RemoteDisplayName(p.Directory);
        state.Parent = IsRemoteTop(p.Directory) ? QString() : RemoteParent(p.Directory);
        state.RemotePlaces = RemotePlacesOf(state.RemoteFailure);
    } else if (p.Directory.startsWith('/')) {
        state.Shown = platform::DisplayName(p.Directory);
        const qsizetype slash = p.Directory.lastIndexOf('/', p.Directory.size() - 2);
        state.Parent = p.Directory == QLatin1String("/") ? QString() : p.Directory.left(slash + 1);
    } else {
        state.Shown = p.Directory; // the drive list
    }
    return places::PlaceOf(state);
}

bool TfMain::RefusedByPlace(TSide side, places::TCapability capability)
{
    const std::unique_ptr<places::TPlace> place = PlaceOf(side);
    if (place->Can(capability))
        return false;
    TFileCommands::ShowRefusal(place->Refusal(capability));
    return true;
}
