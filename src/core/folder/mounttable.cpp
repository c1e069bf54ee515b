// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/folder/mounttable.h"

#include <QFile>
#include <QList>

#include <sys/sysmacros.h>

QByteArray MountTable::unescaped(QByteArrayView field)
{
    QByteArray plain;
    plain.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const auto octal = [&](qsizetype at) {
            return at < field.size() && field[at] >= '0' && field[at] <= '7';
        };
        if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            plain += char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3)
                          | (field[i + 3] - '0'));
            i += 3;
            continue;
        }
        plain += field[i];
    }
    return plain;
}

// "id parent major:minor root point options [optional...] - type source super-options"
QVector<MountTable::Mount> MountTable::parse(const QByteArray &mountinfo)
{
    QVector<Mount> mounts;
    for (const QByteArray &line : mountinfo.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() < 6 || dash < 6 || dash + 2 >= fields.size())
            continue;
        const QList<QByteArray> numbers = fields[2].split(':');
        bool majorOk = false, minorOk = false;
        const uint majorNumber = numbers.value(0).toUInt(&majorOk);
        const uint minorNumber = numbers.value(1).toUInt(&minorOk);
        if (numbers.size() != 2 || !majorOk || !minorOk || !fields[4].startsWith('/'))
            continue;
        Mount mount;
        mount.point = unescaped(fields[4]);
        mount.root = unescaped(fields[3]);
        mount.type = unescaped(fields[dash + 1]);
        mount.source = unescaped(fields[dash + 2]);
        mount.device = makedev(majorNumber, minorNumber);
        mount.readOnly = fields[5] == "ro" || fields[5].startsWith("ro,");
        mounts.append(mount);
    }
    return mounts;
}

QVector<MountTable::Mount> MountTable::read()
{
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    return table.open(QIODevice::ReadOnly) ? parse(table.readAll()) : QVector<Mount>();
}

QByteArray MountTable::topOf(const QByteArray &realPath, const QVector<Mount> &mounts)
{
    const Mount *mount = holding(realPath, mounts);
    return mount ? mount->point : QByteArray("/");
}

const MountTable::Mount *MountTable::holding(const QByteArray &realPath,
                                             const QVector<Mount> &mounts)
{
    const Mount *top = nullptr;
    for (const Mount &mount : mounts) {
        const QByteArray &point = mount.point;
        const bool above = point == "/" || realPath == point || realPath.startsWith(point + '/');
        if (above && (!top || point.size() >= top->point.size()))
            top = &mount;
    }
    return top;
}
