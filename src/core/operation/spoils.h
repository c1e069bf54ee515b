// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSet>
#include <QString>

struct stat;

// What the one command of a folder's tree would spoil at the destination: a link where a real
// folder stands (in a merge), and a name that another in the same folder takes where case is
// ignored. Each entry of the tree is handed over with its path below the tree's root ("/a/b").
class Spoils
{
public:
    Spoils(const QByteArray &destination, bool foldsCase, bool merging);

    void visit(QByteArrayView relative, const struct stat &info);
    bool any() const { return links > 0 || clashes > 0; }

    int links = 0;
    int clashes = 0;

private:
    QByteArray m_destination;
    bool m_foldsCase, m_merging;
    QSet<QString> m_names;
};
