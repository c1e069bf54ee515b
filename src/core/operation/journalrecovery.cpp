// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/operation/journalrecovery.h"

#include "core/folder/entryidentity.h"
#include "core/names/filename.h"
#include "core/operation/filework.h"
#include "core/operation/marks.h"

#include <csignal>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

QVector<qint64> JournalRecovery::holdersOf(dev_t device, ino_t inode)
{
    QVector<qint64> holders;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return holders;
    while (const dirent *process = ::readdir(proc)) {
        if (process->d_name[0] < '1' || process->d_name[0] > '9')
            continue;
        const QByteArray fds = QByteArray("/proc/") + process->d_name + "/fd";
        DIR *open = ::opendir(fds.constData());
        if (!open)
            continue;
        while (const dirent *fd = ::readdir(open)) {
            struct stat info;
            if (fd->d_name[0] != '.' && ::stat((fds + '/' + fd->d_name).constData(), &info) == 0
                && info.st_dev == device && info.st_ino == inode) {
                holders.append(QByteArray(process->d_name).toLongLong());
                break;
            }
        }
        ::closedir(open);
    }
    ::closedir(proc);
    return holders;
}

void JournalRecovery::stopCommands(const QVector<qint64> &processes)
{
    for (const int signal : { SIGTERM, SIGCONT, SIGKILL }) {
        for (const qint64 process : processes) {
            // Each command runs in a group of its own, never this program's.
            const pid_t group = ::getpgid(pid_t(process));
            if (group > 0 && group != ::getpgrp())
                ::kill(-group, signal);
        }
        if (signal == SIGCONT)
            ::sleep(1);
    }
}

void JournalRecovery::pauseCommands(const QVector<qint64> &processes, bool pause)
{
    for (const qint64 process : processes) {
        const pid_t group = ::getpgid(pid_t(process));
        if (group > 0 && group != ::getpgrp())
            ::kill(-group, pause ? SIGSTOP : SIGCONT);
    }
}

namespace {

// Whether source and the folder of destination are on two file systems.
bool crosses(const QString &source, const QString &destination)
{
    struct stat from, to;
    return ::lstat(FileName::toBytes(source).constData(), &from) == 0
           && ::stat(FileName::toBytes(FileName::parentOf(destination)).constData(), &to) == 0
           && from.st_dev != to.st_dev;
}

// What a copy, or a move to another file system, cut short came to.
void settleCopy(Journal::Kind kind, Journal::Entry *entry)
{
    const bool whole = FileWork::copyIsWhole(entry->source, entry->destination);
    if (whole) {
        entry->marks = Marks::of(entry->destination, kind == Journal::Copy);
        entry->state = entry->marks.isEmpty() ? Journal::NotDone : Journal::Done;
        if (kind != Journal::Copy && entry->state == Journal::Done)
            entry->recovery = Journal::Entry::FinishOrTakeBack;
        return;
    }
    entry->state = Journal::NotDone;
    // Only where what stood there is known can what the command made be told from it.
    const EntryIdentity there = EntryIdentity::of(entry->destination);
    if (entry->beforeKnown && there.exists && there != entry->before)
        entry->recovery = Journal::Entry::RemovePiece;
}

} // namespace

void JournalRecovery::settle(Journal::Operation *operation)
{
    // What was on its way to the trash is there, or not.
    for (Journal::Trashed &item : operation->trashed) {
        if (item.marks.isEmpty())
            item.marks = Marks::of(item.trashed, false);
    }
    for (Journal::Entry &entry : operation->entries) {
        if (entry.state != Journal::Intended)
            continue;
        struct stat info;
        const bool sourceStands = ::lstat(FileName::toBytes(entry.source).constData(), &info) == 0;
        switch (operation->kind) {
        case Journal::Copy:
            settleCopy(Journal::Copy, &entry);
            break;
        case Journal::Move:
        case Journal::Rename:
        case Journal::Restore:
            if (!sourceStands) {
                entry.marks = Marks::of(entry.destination, false);
                entry.state = entry.marks.isEmpty() ? Journal::NotDone : Journal::Done;
            } else if (entry.copied) {
                // Its copy is on the disk and its source was being removed: the move goes on.
                entry.marks = Marks::of(entry.destination, false);
                entry.state = entry.marks.isEmpty() ? Journal::NotDone : Journal::Done;
                entry.recovery = entry.state == Journal::Done ? Journal::Entry::FinishMove
                                                              : Journal::Entry::Nothing;
            } else if (operation->kind != Journal::Rename
                       && crosses(entry.source, entry.destination)) {
                settleCopy(Journal::Move, &entry);
            } else {
                entry.state = Journal::NotDone;
            }
            break;
        case Journal::ToTrash:
            break; // its entries are trashed items
        case Journal::NewFolder: {
            // Made in this program at once: where nothing stood and an empty folder stands now,
            // it was made.
            const EntryIdentity there = EntryIdentity::of(entry.destination);
            const bool made
                    = entry.beforeKnown && !entry.before.exists && there.exists
                      && ::lstat(FileName::toBytes(entry.destination).constData(), &info) == 0
                      && S_ISDIR(info.st_mode);
            entry.marks = made ? Marks::of(entry.destination, false) : QVector<Journal::Mark>();
            entry.state = entry.marks.isEmpty() ? Journal::NotDone : Journal::Done;
            break;
        }
        }
    }
}
