#include "browser/folderlisting.h"

FolderListing::FolderListing(std::unique_ptr<FolderEntries> entries, const QPixmap &folderIcon,
                             const QPixmap &fileIcon)
    : m_entries(std::move(entries))
    , m_folderIcon(folderIcon)
    , m_fileIcon(fileIcon)
{
}
