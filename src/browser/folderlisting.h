#pragma once

#include "core/folder/folderentries.h"
#include "platform/zlistbox.h"

#include <QPixmap>

#include <memory>

// A folder's entries as the list shows them: their names as text, and an icon for a folder or a
// file. The entries themselves are read and sorted without a screen (FolderEntries).
class FolderListing : public ZListBoxRows
{
public:
    FolderListing(std::unique_ptr<FolderEntries> entries, const QPixmap &folderIcon,
                  const QPixmap &fileIcon);

    int count() const override { return m_entries->count(); }
    QString text(int row) const override { return m_entries->text(row); }
    QPixmap pixmap(int row) const override
    {
        return m_entries->isFolder(row) ? m_folderIcon : m_fileIcon;
    }
    const FolderEntries &entries() const { return *m_entries; }

private:
    std::unique_ptr<FolderEntries> m_entries;
    QPixmap m_folderIcon, m_fileIcon;
};
