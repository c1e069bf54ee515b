// SPDX-License-Identifier: GPL-3.0-or-later
// Search below the folder shown: the results as they are found, and the operations of a
// folder's entry on one of them.
#include "browser/filedialog.h"

#include "core/folder/entrydetails.h"
#include "core/folder/folderpath.h"
#include "core/folder/search.h"
#include "core/names/filename.h"
#include "core/operation/filework.h"
#include "lang/languagecatalog.h"
#include "lang/texts.h"
#include "platform/am_launcherclient.h"
#include "platform/zlistbox.h"
#include "platform/zsinglecapturedlg.h"

#include <QElapsedTimer>
#include <QTimer>

#include <sys/stat.h>

namespace {

bool stands(const QString &path)
{
    struct stat info;
    return FileWork::entryAt(path, &info);
}

// A row shows the name; its folder, relative to the start, is in its description.
class SearchRows : public ZListBoxRows
{
public:
    SearchRows(const SearchResults &results, const QString &start, const QPixmap &folder,
               const QPixmap &file, const Texts &texts)
        : m_results(results)
        , m_start(start)
        , m_folder(folder)
        , m_file(file)
        , m_texts(texts)
    {
    }
    int count() const override { return m_results.count(); }
    QString text(int row) const override
    {
        return FileName::fromBytes(FileName::lastPart(m_results.at(row).path));
    }
    QPixmap pixmap(int row) const override { return m_results.at(row).folder ? m_folder : m_file; }
    QString description(int row) const override
    {
        return m_texts.searchedDescription(
                EntryDetails::brief(
                        FileName::join(m_start, FileName::fromBytes(m_results.at(row).path))),
                FileName::fromBytes(m_results.folderOf(row)));
    }

private:
    const SearchResults &m_results;
    QString m_start;
    QPixmap m_folder, m_file;
    const Texts &m_texts;
};

} // namespace

void fileDialog::goToSearch()
{
    const QString text = ZSingleCaptureDlg::ask(catalog->lookup("BR_SEARCH"),
                                                m_texts->searchQuestion(currentDir), QString(), 0);
    if (text.isEmpty())
        return;
    m_searchStart = currentDir;
    m_searchText = text;
    m_results = std::make_unique<SearchResults>();
    m_searchBacklog.clear();
    m_searchEnded = false;
    m_sliceSize = 4096;
    m_search = std::make_unique<Search>(FileName::toBytes(currentDir), text);
    connect(m_search.get(), &Search::found, this, &fileDialog::followSearch);
    // Told after the last batch was handed on.
    connect(m_search.get(), &Search::finished, this, [this] {
        m_searchEnded = true;
        followSearch();
    });
    showDir(currentDir, SearchView);
}

void fileDialog::showSearch()
{
    if (!m_results) {
        m_results = std::make_unique<SearchResults>();
        m_searchStart = currentDir;
    }
    m_watchedDir.clear();
    setRowLayout(SearchView);
    rebuildMenu(SearchView);
    list->clear();
    m_entries = nullptr;
    currentDir = m_searchStart;
    list->setAccessibleName(catalog->lookup("BR_SEARCH"));
    list->setBulkRows(std::make_unique<SearchRows>(
            *m_results, m_searchStart,
            iconReader.getIcon(QStringLiteral("fm_folder_small.bmp"), true),
            iconReader.getIcon(QStringLiteral("fm_insert_file_small.bmp"), true), *m_texts));
    showSearchLine();
}

void fileDialog::showSearchLine()
{
    // Running until its end has been seen and all it found is shown.
    const bool running = m_search && (!m_searchEnded || !m_searchBacklog.empty());
    setInstructText(m_texts->searchLine(m_searchText, m_searchStart, m_results->count(), running,
                                        m_search ? m_search->unreadable() : 0));
}

// A batch found, or the end: each result put in its place, a slice at a time, so that a key
// waits for no more than one slice however much was found at once. A slice costs what moves
// behind its rows, so it grows while it takes little and shrinks when it takes long.
void fileDialog::followSearch()
{
    if (!m_search || !m_results || mode != SearchView)
        return;
    std::vector<SearchHit> taken = m_search->take();
    m_searchBacklog.insert(m_searchBacklog.end(), std::make_move_iterator(taken.begin()),
                           std::make_move_iterator(taken.end()));
    if (!m_searchBacklog.empty() && !m_sliceDue) {
        QElapsedTimer slice;
        slice.start();
        const size_t count = std::min(m_sliceSize, m_searchBacklog.size());
        const auto from = m_searchBacklog.end() - qsizetype(count);
        std::vector<SearchHit> batch(std::make_move_iterator(from),
                                     std::make_move_iterator(m_searchBacklog.end()));
        m_searchBacklog.erase(from, m_searchBacklog.end());
        showMerged(std::move(batch));
        const qint64 took = slice.elapsed();
        // Between 1,024 and 262,144 rows; a slice that was not full says nothing of its size.
        if (took < 5 && count == m_sliceSize)
            m_sliceSize = std::min<size_t>(m_sliceSize * 2, 262144);
        else if (took > 15)
            m_sliceSize = std::max<size_t>(m_sliceSize / 2, 1024);
    }
    // One slice due at a time, on a timer rather than a posted call (those go before timers,
    // and a key's would wait for them all).
    if (!m_searchBacklog.empty() && !m_sliceDue) {
        m_sliceDue = true;
        QTimer::singleShot(1, this, [this] {
            m_sliceDue = false;
            followSearch();
        });
    }
    showSearchLine();
}

void fileDialog::endSearch()
{
    m_search.reset();
    m_searchBacklog.clear();
}

QString fileDialog::resultFolder(int row) const
{
    return row >= 0 && m_results && row < m_results->count()
                   ? FileName::fromBytes(m_results->folderOf(row))
                   : QString();
}

QString fileDialog::resultPath(int row) const
{
    return row >= 0 && m_results && row < m_results->count()
                   ? FileName::join(m_searchStart, FileName::fromBytes(m_results->at(row).path))
                   : QString();
}

void fileDialog::searchSelected(int index)
{
    const QString path = resultPath(index);
    if (path.isEmpty())
        return;
    if (FolderPath::isFile(path))
        return AM_LauncherClient::openDocument(path, QString(), true);
    endSearch();
    showDir(path, Browse);
}

void fileDialog::goToFolder()
{
    const QString path = resultPath(list->currentItem());
    if (path.isEmpty())
        return;
    endSearch();
    showDir(FileName::parentOf(path), Browse);
    const int row = list->rowOf(FileName::lastPart(path));
    if (row >= 0)
        list->setCurrentItem(row);
}

// After an operation on a result: gone, it leaves the results; renamed, it takes its new name's
// place; kept, it stays.
void fileDialog::recheckResult(const QString &path, const QString &renamedTo)
{
    const QString prefix = FileName::join(m_searchStart, QString());
    const int row = m_results->rowOf(FileName::toBytes(path.mid(prefix.size())));
    const bool renamed = !renamedTo.isEmpty() && renamedTo != path && stands(renamedTo)
                         && renamedTo.startsWith(prefix);
    if (row < 0 || (!renamed && stands(path)))
        return showSearchLine();
    const bool folder = m_results->at(row).folder;
    m_results->remove(row);
    list->bulkRowsChanged({ { row, 1 } }, {});
    if (renamed)
        showMerged({ { FileName::toBytes(renamedTo.mid(prefix.size())), folder } });
    showSearchLine();
}

// New results in their places, told to the list as the rows inserted.
void fileDialog::showMerged(std::vector<SearchHit> hits)
{
    std::vector<ZListBox::Range> inserted;
    for (const SearchResults::Range &range : m_results->merge(std::move(hits)))
        inserted.push_back({ range.first, range.count });
    list->bulkRowsChanged({}, inserted);
}
