// The quick view (Ctrl+Q): the other panel makes room for a pane that shows the file
// under the active panel's cursor. The panel is only put aside, never changed: its
// widget leaves the splitter with its rows, cursor, marks and scroll position, and
// comes back in the same place.
#include "main/uMain.h"

#include "controls/VirtualListView.h"
#include "modules/ViewerModules.h"
#include "panel/FedResults.h"
#include "quickview/uQuickView.h"

#include <QApplication>
#include <QMetaObject>
#include <QSplitter>

bool TfMain::QuickViewOn() const
{
    return m_quick && m_quick->isVisible();
}

void TfMain::MenuQuickViewClick()
{
    if (QuickViewOn()) {
        CloseQuickView();
        return;
    }
    if (!m_quick) {
        m_quick = new TfQuickView(this);
        m_quick->hide();
        m_quick->OnClose = [this] { CloseQuickView(); };
        // HTML files are shown by the HTML viewer's module, loaded with the first one; a
        // module that cannot be loaded is said in the pane's status line, not in a message.
        m_quick->HtmlModule = [](QString* why) { return ViewerModuleOf(TModuleWindow::Html, why); };
    }
    m_quickSide = Other(ActiveSide());
    TPanel& other = m_panels[m_quickSide];
    const int index = m_splitter->indexOf(other.Panel);
    m_splitter->replaceWidget(index, m_quick);
    other.Panel->setParent(this); // kept, hidden, until the pane gives its place back
    other.Panel->hide();
    m_quick->show();
    Actions.MenuQuickView->setChecked(true);
    QuickFollow();
}

void TfMain::CloseQuickView()
{
    if (!QuickViewOn())
        return;
    TPanel& other = m_panels[m_quickSide];
    const bool paneHadFocus = m_quick->isAncestorOf(QApplication::focusWidget());
    m_quick->Clear();
    m_splitter->replaceWidget(m_splitter->indexOf(m_quick), other.Panel);
    m_quick->setParent(this);
    m_quick->hide();
    other.Panel->show();
    Actions.MenuQuickView->setChecked(false);
    if (paneHadFocus)
        m_panels[Other(m_quickSide)].Files->setFocus();
}

void TfMain::QuickFollowSoon(TSide side)
{
    // Cursor changes of one turn of the event loop make one load, of where it rests.
    if (!QuickViewOn() || side == m_quickSide || m_quickPosted)
        return;
    m_quickPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_quickPosted = false;
            QuickFollow();
        },
        Qt::QueuedConnection);
}

void TfMain::QuickFollow()
{
    if (!QuickViewOn())
        return;
    const TSide side = Other(m_quickSide);
    TPanel& p = m_panels[side];
    const int row = p.Files->GetFocusedIndex();
    if (Reading(side) || row < 0 || row >= p.Listing.Count()) {
        m_quick->ShowText(Reading(side) ? QStringLiteral("Reading the folder…") : QString());
        return;
    }
    const TFileObject& e = p.Listing[row];
    if (e.IsParent())
        m_quick->ShowText(QStringLiteral(".. — the folder above"));
    else if (ShowsArchive(side) && e.IsDirectory())
        m_quick->ShowText(e.Name + QStringLiteral(" — a folder of the archive"));
    else if (ShowsArchive(side))
        // Extracted by the load into a private copy, which goes when the pane moves on.
        m_quick->ShowMember({ArchiveFile(side), e.Name, e.Size, !ShowsReadOnlyArchive(side)},
                            QuickDescriber(e.Name));
    else if (const TFedMember* fed = FedMemberAt(side, row))
        // A member among search results: its archive is read as the search read it, a
        // ZIP archive by its name.
        m_quick->ShowMember({p.Fed->Root + fed->Archive, fed->Member, fed->Size,
                             fed->Archive.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive)},
                            QuickDescriber(fed->Member));
    else if (e.Kind == fkZipMember)
        m_quick->ShowText(e.Name + QStringLiteral(" — a member of an archive: F3 views it"));
    else if (ShowsRemote(side))
        QuickShowRemote(side, e);
    else if (p.Directory == QLatin1String("Drives"))
        m_quick->ShowText(e.Name + QStringLiteral(" — a drive"));
    else
        m_quick->ShowFile(AddSeparator(p.Directory) + e.Name, QuickDescriber(e.Name));
}

quickview::TDescriber TfMain::QuickDescriber(const QString& name)
{
    // Sounds, modules and MIDI files are described by their players' module, loaded on
    // first use as F3 loads it; a module that could not be loaded is not asked again.
    const struct {
        TViewAction Action;
        TModuleWindow Window;
        const char* Kind;
    } kinds[] = {{TViewAction::Sound, TModuleWindow::Sound, "sound"},
                 {TViewAction::Module, TModuleWindow::Module, "module"},
                 {TViewAction::Music, TModuleWindow::Music, "MIDI sequence"}};
    const TViewAction action = FindViewAction(Categories, name, false);
    for (const auto& kind : kinds) {
        if (kind.Action != action)
            continue;
        TViewerModule* players = m_quickPlayersRefused ? nullptr : ViewerModuleOf(kind.Window);
        m_quickPlayersRefused = !players;
        const TModuleWindow window = kind.Window;
        if (!players)
            return {QString::fromLatin1(kind.Kind), [](const QString&, QString* why) {
                        *why = QStringLiteral("the players' module could not be loaded");
                        return QStringList();
                    }};
        return {QString::fromLatin1(kind.Kind),
                [players, window](const QString& path, QString* why) {
                    return players->Properties(window, path, why);
                }};
    }
    return {};
}
