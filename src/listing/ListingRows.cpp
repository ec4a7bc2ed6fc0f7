// A listing made of rows its owner put together (the file search's results).
#include "listing/FileListing.h"

void TFileListing::LoadRows(std::vector<TFileObject>&& rows)
{
    m_keep.reset();
    m_items = std::move(rows);
    TotalSize = 0;
    for (const TFileObject& e : m_items)
        TotalSize += e.Size;
    FileCount = ObjectCount(m_items);
}
