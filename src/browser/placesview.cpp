// SPDX-License-Identifier: GPL-3.0-or-later
// Places: Home, the cards and sticks and what else a user keeps files on, and "/"; an eject
// that is safe; and a card pulled from under the folder shown.
#include "browser/filedialog.h"

#include "core/folder/folderpath.h"
#include "core/folder/mountwatch.h"
#include "core/names/filename.h"
#include "lang/languagecatalog.h"
#include "lang/texts.h"
#include "platform/zlistbox.h"
#include "platform/zmessagedlg.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <sys/stat.h>

using std::placeholders::_1;

namespace {

// Row 0 is Home, the last "/", the places between them.
class PlaceRows : public ZListBoxRows
{
public:
    PlaceRows(const QVector<fileDialog::PlaceRow> &rows, const QPixmap &icon)
        : m_rows(rows)
        , m_icon(icon)
    {
    }
    int count() const override { return int(m_rows.size()); }
    QString text(int row) const override { return m_rows[row].name; }
    QPixmap pixmap(int) const override { return m_icon; }
    QString description(int row) const override { return m_rows[row].description; }

private:
    QVector<fileDialog::PlaceRow> m_rows;
    QPixmap m_icon;
};

bool lies(const QString &path, const QString &point)
{
    return path == point || point == u'/' || path.startsWith(point + u'/');
}

} // namespace

void fileDialog::goToPlaces()
{
    showDir(currentDir, PlacesView);
}

void fileDialog::showPlaces()
{
    if (mode != PlacesView)
        m_beforePlaces = currentDir;
    currentDir = m_beforePlaces;
    m_watchedDir.clear();
    setRowLayout(PlacesView);
    rebuildMenu(PlacesView);
    list->clear();
    m_entries = nullptr;
    const QVector<MountTable::Mount> &mounts = m_mountWatch->mounts();
    m_places = Places::read(mounts);
    const auto rowOf = [this](const QString &name, const QByteArray &point, const QByteArray &type,
                              bool readOnly) {
        const Places::Space space = Places::spaceOf(point);
        return PlaceRow{ name, FileName::fromBytes(point),
                         m_texts->placeDescription(Places::typeName(type, space.blocks), space.free,
                                                   space.total, readOnly) };
    };
    // Home and "/" are described by the file systems that hold them.
    const auto rowAt = [&](const QString &name, const QByteArray &path) {
        const MountTable::Mount *mount = MountTable::holding(path, mounts);
        return rowOf(name, path, mount ? mount->type : QByteArray(), mount && mount->readOnly);
    };
    QVector<PlaceRow> rows;
    rows << rowAt((*m_texts)("BR_HOME"), FileName::toBytes(QDir::homePath()));
    for (const Places::Place &place : std::as_const(m_places))
        rows << rowOf(FileName::fromBytes(place.name), place.point, place.type, place.readOnly);
    rows << rowAt(QStringLiteral("/"), "/");
    m_placeRows = rows;
    setInstructText(catalog->lookup("BR_PLACES"));
    list->setAccessibleName(catalog->lookup("BR_PLACES"));
    list->setBulkRows(std::make_unique<PlaceRows>(
            rows, iconReader.getIcon(QStringLiteral("fm_folder_small.bmp"), true)));
}

void fileDialog::placeSelected(int index)
{
    if (index >= 0 && index < m_placeRows.size())
        showDir(m_placeRows[index].path, Browse);
}

void fileDialog::placeDetails()
{
    const int row = list->currentItem();
    if (row < 0 || row >= m_placeRows.size())
        return;
    const PlaceRow &place = m_placeRows[row];
    const QString device = row > 0 && row <= m_places.size()
                                   ? FileName::fromBytes(m_places[row - 1].source)
                                   : QString();
    ZMessageDlg::inform(catalog->lookup("BR_DETAILS"),
                        m_texts->placeDetails(place.name, place.path, device, place.description),
                        QStringLiteral("info_pop.bmp"));
}

void fileDialog::eject()
{
    const int row = list->currentItem();
    if (mode != PlacesView || row < 0 || row >= m_placeRows.size())
        return;
    // Home and "/" are not taken out.
    if (row == 0 || row > m_places.size())
        return ZMessageDlg::inform(catalog->lookup("BR_EJECT"), (*m_texts)("BR_NOT_EJECTABLE"),
                                   QStringLiteral("error_pop.bmp"));
    const Places::Place place = m_places[row - 1];
    const QString point = FileName::fromBytes(place.point);
    const Operation::Result result
            = perform("BR_EJECT", OperationPlan::Delete, false,
                      std::bind(&Operation::eject, _1, point, FileName::fromBytes(place.source)),
                      "BR_STOP_EJECT");
    if (result.ejected) {
        // Back no longer leads to a folder on it.
        if (lies(m_beforePlaces, point))
            m_beforePlaces = QDir::homePath();
        ZMessageDlg::inform(catalog->lookup("BR_EJECT"),
                            m_texts->safeToRemove(m_placeRows[row].name),
                            QStringLiteral("info_pop.bmp"));
    }
    list->refill([this] { showPlaces(); });
}

// The shown folder's file system, as it was when it was listed, to tell when it goes away, and
// what it is called: its label, else its mount point's last part.
// The table is the watch's: a listing reads none. The name is looked up only on entering
// another file system.
void fileDialog::noteShownMount()
{
    const QString real = QDir(currentDir).canonicalPath();
    const MountTable::Mount *mount = MountTable::holding(
            FileName::toBytes(real.isEmpty() ? currentDir : real), m_mountWatch->mounts());
    const QByteArray point = mount ? mount->point : QByteArray("/");
    if (point == m_shownMount)
        return;
    m_shownMount = point;
    m_shownPlace = FileName::fromBytes(FileName::lastPart(point));
    if (point == "/" || !mount->source.startsWith("/dev/"))
        return;
    const QString device = QFileInfo(FileName::fromBytes(mount->source)).canonicalFilePath();
    const QByteArray label = Places::labels().value(FileName::toBytes(device));
    if (!label.isEmpty())
        m_shownPlace = FileName::fromBytes(label);
}

void fileDialog::followMounts()
{
    if (mode == PlacesView)
        return list->refill([this] { showPlaces(); });
    leaveForPlaces();
}

// The file system of the folder shown was unmounted from outside (the card pulled): the window
// goes to Places, once no popup is open (an operation that wrote there ends with its failure).
bool fileDialog::leaveForPlaces()
{
    if (mode == PlacesView || mode == TrashView || mode == TrashSelect || m_shownMount.isEmpty()
        || m_shownMount == "/")
        return false;
    for (const MountTable::Mount &mount : m_mountWatch->mounts()) {
        if (mount.point == m_shownMount)
            return false;
    }
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        QTimer::singleShot(250, this, &fileDialog::leaveForPlaces);
        return true;
    }
    const QString gone = m_shownPlace;
    m_shownMount.clear();
    currentDir = QDir::homePath();
    showDir(currentDir, PlacesView);
    ZMessageDlg::inform(catalog->lookup("BR_PLACES"), m_texts->placeRemoved(gone),
                        QStringLiteral("info_pop.bmp"));
    return true;
}
