// SPDX-License-Identifier: GPL-3.0-or-later
// Which mounts are places, in what order and by what name, from mountinfo texts as the kernel
// writes them; and how a place's label and type are shown.
#include "core/folder/places.h"

#include <QTest>

namespace {

// A machine's own mounts, none of them a place: the root, its virtual file systems, /run, the
// EFI partition, /tmp.
const QByteArray systems = "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
                           "23 22 0:21 / /proc rw,nosuid - proc proc rw\n"
                           "24 22 0:22 / /sys rw - sysfs sysfs rw\n"
                           "25 22 0:5 / /dev rw - devtmpfs udev rw\n"
                           "26 22 0:23 / /run rw shared:5 - tmpfs tmpfs rw\n"
                           "27 22 8:1 / /boot/efi rw - vfat /dev/sda1 rw\n"
                           "28 22 0:24 / /tmp rw - tmpfs tmpfs rw\n"
                           "29 26 0:25 / /run/user/1000 rw - tmpfs tmpfs rw\n";

} // namespace

class tst_Places : public QObject
{
    Q_OBJECT

private slots:
    void places_data()
    {
        QTest::addColumn<QByteArray>("mounts");
        QTest::addColumn<QStringList>("places"); // "point=name", ",ro" when read-only
        QTest::newRow("the system's own") << QByteArray() << QStringList();
        QTest::newRow("a card with a label, past optional fields")
                << QByteArray("40 22 8:17 / /media/ann/3A5F rw shared:7 master:1 - vfat "
                              "/dev/sdb1 rw,uid=1000\n")
                << QStringList{ "/media/ann/3A5F=MY CARD" };
        QTest::newRow("the user's media, a blank in its point")
                << QByteArray("41 26 8:33 / /run/media/ann/USB\\040STICK rw - ext4 /dev/sdc1 rw\n"
                              "42 26 8:49 / /run/media/bob/THEIRS rw - ext4 /dev/sdd1 rw\n")
                << QStringList{ "/run/media/ann/USB STICK=USB STICK" };
        QTest::newRow("a card's type anywhere, also through FUSE")
                << QByteArray("43 22 0:45 / /home/ann/card rw - fuse.fusefat /home/ann/c.img rw\n"
                              "44 22 8:65 / /srv/windows ro - fuseblk /dev/sde1 ro\n"
                              "45 22 0:46 / /srv/share rw - fuse.sshfs host: rw\n")
                << QStringList{ "/home/ann/card=card", "/srv/windows=windows,ro" };
        QTest::newRow("a bind mount of one listed, before it by its point")
                << QByteArray("46 22 8:17 /DCIM /media/ann/A rw - vfat /dev/sdb1 rw\n"
                              "47 22 8:17 / /media/ann/B rw - vfat /dev/sdb1 rw\n"
                              "48 22 8:17 /Music /home/ann/Music rw - vfat /dev/sdb1 rw\n")
                << QStringList{ "/media/ann/B=MY CARD" };
        QTest::newRow("under /mnt, ordered by point, tmpfs there too")
                << QByteArray("49 22 8:81 / /mnt/z ro,relatime - ext4 /dev/sdf1 ro\n"
                              "50 22 0:47 / /mnt/a rw - tmpfs tmpfs rw\n"
                              "51 22 0:48 / /mnt rw - tmpfs tmpfs rw\n")
                << QStringList{ "/mnt=mnt", "/mnt/a=a", "/mnt/z=z,ro" };
        QTest::newRow("one mounted over another on the same point")
                << QByteArray("52 22 8:97 / /media/ann/X rw - ext4 /dev/sdg1 rw\n"
                              "53 52 8:113 / /media/ann/X rw - exfat /dev/sdh1 rw\n")
                << QStringList{ "/media/ann/X=X" };
        QTest::newRow("/media itself, and a line cut short")
                << QByteArray("54 22 0:49 / /media rw - tmpfs tmpfs rw\n"
                              "55 22 8:17 / /media/ann/C rw - vfat\n")
                << QStringList();
    }

    void places()
    {
        QFETCH(QByteArray, mounts);
        QFETCH(QStringList, places);
        QStringList found;
        const QHash<QByteArray, QByteArray> labels = { { "/dev/sdb1", "MY CARD" } };
        for (const Places::Place &place :
             Places::among(MountTable::parse(systems + mounts), "ann", labels))
            found << QString::fromUtf8(place.point + '=' + place.name
                                       + (place.readOnly ? ",ro" : ""));
        QCOMPARE(found, places);
    }

    void shown_data()
    {
        QTest::addColumn<QByteArray>("given");
        QTest::addColumn<QString>("shown");
        QTest::newRow("label, blank") << QByteArray("MY\\x20CARD") << "MY CARD";
        QTest::newRow("label, slash") << QByteArray("a\\x2fb") << "a/b";
        QTest::newRow("label, not hex") << QByteArray("bad\\xZZ") << "bad\\xZZ";
        QTest::newRow("label, cut short") << QByteArray("end\\x2") << "end\\x2";
        // A FAT's kind by its count of clusters; the others by their names.
        QTest::newRow("FAT12") << QByteArray("vfat 4084") << "FAT12";
        QTest::newRow("FAT16") << QByteArray("vfat 4085") << "FAT16";
        QTest::newRow("FAT32") << QByteArray("fuse.fusefat 65525") << "FAT32";
        QTest::newRow("exFAT") << QByteArray("fuse.exfat 9") << "exFAT";
        QTest::newRow("NTFS") << QByteArray("ntfs3 9") << "NTFS";
        QTest::newRow("other") << QByteArray("ext4 9") << "ext4";
    }

    void shown()
    {
        QFETCH(QByteArray, given);
        QFETCH(QString, shown);
        const QList<QByteArray> type = given.split(' ');
        QCOMPARE(type.size() == 2 ? Places::typeName(type[0], type[1].toLongLong())
                                  : QString::fromUtf8(Places::decodedLabel(given)),
                 shown);
    }
};

QTEST_GUILESS_MAIN(tst_Places)
#include "tst_places.moc"
