// What the panel's list shows of its listing and where the user stands in it: the cells
// and their icons, the cursor, the marks and the scroll position kept across re-reads,
// and the selection line that sums the marks.
#include "controls/VirtualListView.h"
#include "listing/ArchiveFolders.h"
#include "panel/FilePanel.h"
#include "panel/PanelText.h"
#include "panel/StatusLine.h"
#include "platform/FileNames.h"
#include "platform/IconList.h"

#include <QSet>
#include <algorithm>

void TFilePanel::ItemInfo(int item, int subItem, unsigned mask, int& image, QString& text) const
{
    if (item < 0 || item >= Listing.Count())
        return;
    const TFileObject& e = Listing[item];
    if (mask & omImage)
        image = e.ImageIndex;
    if (mask & omText)
        text = CellText(e, subItem);
    if (mask & omCaption)
        text = e.Kind == fkZipMember ? ShownMemberName(e.Name) : e.Name;
    if (mask & omEdit) // the whole name; bytes that are not UTF-8 as U+FFFD
        text = platform::DisplayName(e.Name);
}

int TFilePanel::CacheHint(int from, int to)
{
    platform::TIconList& icons = platform::TIconList::instance();
    int looked = 0;
    for (int row = std::max(0, from); row <= to && row < Listing.Count(); ++row) {
        TFileObject& e = Listing[row];
        if (e.IsParent() || e.Kind == fkDrive || (e.Kind == fkZipMember && e.IsDirectory()))
            e.ImageIndex = icons.FolderIndex(false);
        else if (e.Kind == fkZipMember)
            e.ImageIndex = icons.IndexForName(e.Name.mid(e.Name.lastIndexOf('/') + 1));
        else
            e.ImageIndex =
                icons.IndexForName(AddSeparator(Listing.Directory) + e.Name, e.IsDirectory());
        ++looked;
    }
    return looked;
}

void TFilePanel::FilesChange()
{
    Files->FirstRowUnmarkable = Listing.Count() > 0 && Listing[0].IsParent();
    qint64 sum = 0, count = 0;
    for (int row : MarkedRows())
        if (row < Listing.Count() && !Listing[row].IsParent()) {
            sum += Listing[row].Size;
            ++count;
        }
    Selected->SetText(1, FormatSize(count) + QStringLiteral(" object(s)"));
    Selected->SetText(2, FormatSize(sum) + QStringLiteral(" byte(s)"));
    emit SelectionChanged();
}

TPanelViewState TFilePanel::ViewState() const
{
    TPanelViewState state;
    state.CursorRow = Files->GetFocusedIndex();
    if (state.CursorRow >= 0 && state.CursorRow < Listing.Count())
        state.Cursor = Listing[state.CursorRow].Name;
    for (int row : MarkedRows())
        if (row < Listing.Count())
            state.Marks << Listing[row].Name;
    state.Scroll = Files->ScrollPosition();
    return state;
}

std::vector<int> TFilePanel::MarkedRows() const
{
    // Rows selected other than the cursor's alone are marks (a program may select them).
    std::vector<int> selected = Files->SelectedRows();
    if (!Files->Marking() && selected == std::vector<int>{Files->GetFocusedIndex()})
        selected.clear();
    return selected;
}

QStringList TFilePanel::MarkedOrFocusedNames() const
{
    std::vector<int> rows = MarkedRows();
    if (rows.empty())
        rows.push_back(Files->GetFocusedIndex());
    QStringList names;
    for (const int row : rows)
        if (row >= 0 && row < Listing.Count() && !Listing[row].IsParent())
            names << Listing[row].Name;
    return names;
}

void TFilePanel::RestoreViewState(const TPanelViewState& state)
{
    const int count = Listing.Count();
    if (count == 0)
        return;
    QSet<QString> marked;
    for (const QString& name : state.Marks)
        marked.insert(state.Renamed.value(name, name));
    const QString cursorName = state.Renamed.value(state.Cursor, state.Cursor);
    std::vector<int> marks;
    int cursor = -1;
    for (int row = 0; row < count; ++row) {
        const QString& name = Listing[row].Name;
        if (cursor < 0 && name == cursorName)
            cursor = row;
        if (!marked.isEmpty() && marked.contains(name))
            marks.push_back(row);
    }
    if (cursor < 0) {
        cursor = std::clamp(state.CursorRow, 0, count - 1);
        if (state.ByOtherProgram && !state.Cursor.isEmpty())
            CursorJump = {Clock(), state.Cursor, Listing[cursor].Name};
    }
    FilesChange(); // which row can be marked
    Files->SetScrollPosition(state.Scroll);
    // The view scrolls the cursor into sight when it has left it.
    Files->SetMarks(marks, cursor);
    FilesChange();
}
