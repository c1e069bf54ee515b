// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/folder/entrydetails.h"
#include "core/folder/trashinfo.h"
#include "core/operation/asker.h"
#include "core/operation/journal.h"
#include "core/operation/operationplan.h"
#include "core/operation/undo.h"
#include "core/shell/commandrunner.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class LanguageCatalog;

// The program's sentences in the user's language: each question, notice and report that the
// window shows, put together from the catalogue's texts and what an operation says, with sizes,
// counts and dates as the language writes them (Formats). Nothing here needs a screen.
class Texts
{
public:
    explicit Texts(LanguageCatalog &catalog);

    // One text of the catalogue.
    QString operator()(const char *key) const;

    // What a name entry says: the folder, and for a rename the entry's name.
    QString nameQuestion(const QString &folder, const QString &current) const;
    // The title of an operation's popups.
    QString title(OperationPlan::Kind kind) const;
    // Before a copy or move (with what the look found), or a delete.
    QString confirm(const OperationPlan &plan, const OperationPlan::Look &look) const;
    QString noRoom(qint64 needed, qint64 free) const;
    // The same where the trash there holds entries, which may be emptied first; the choices
    // (empty it first, go on) are "BR_EMPTY_CARD_TRASH" and "BR_GO_ON".
    QString emptyTrashForRoom(qint64 needed, qint64 free, int entries, qint64 bytes) const;
    // Before entries of the trash are removed for good.
    QString discard(Asker::Discard what, int entries, qint64 bytes, const QString &path) const;
    // Entries of the trash not restored, each with why.
    QString cannotRestore(const QList<QPair<QString, int>> &entries) const;
    // The trash view's path line, a row's description and the details of one entry there:
    // where it came from and since when it is in the trash (YYYYMMDDhhmmss, 0 unknown).
    QString trashLine(int entries, qint64 bytes) const;
    // A place: "FAT32, 3.1 GB free of 32 GB", ", read-only" when mounted so; its details; that
    // it can be taken out; that it was removed from under the folder shown.
    QString placeDescription(const QString &type, qint64 free, qint64 total, bool readOnly) const;
    QString placeDetails(const QString &name, const QString &path, const QString &device,
                         const QString &description) const;
    QString safeToRemove(const QString &name) const;
    QString placeRemoved(const QString &name) const;
    // Search: its question, its path line (what, where, how many found, "…" while it runs, the
    // folders it could not read), and a result's description with its folder below the start.
    QString searchQuestion(const QString &folder) const;
    QString searchLine(const QString &text, const QString &start, int found, bool running,
                       int unreadable) const;
    QString searchedDescription(const EntryDetails &entry, const QString &folder) const;
    // "in DCIM/2024": a result's folder below the start ("." for the start itself).
    QString foundIn(const QString &folder) const;
    QString trashedDescription(const EntryDetails &entry, const QString &original,
                               qint64 deleted) const;
    QString trashedDetails(const QString &name, const EntryDetails &entry, const QString &original,
                           qint64 deleted) const;
    QString namesNotStored(int count, const QStringList &first) const;
    // Files larger than the destination holds, the first of them, and its limit.
    QString tooLarge(int count, const QStringList &first, qint64 limit) const;
    // The choice for entries that stand there, and its choices in the order offered.
    QString existing(int count) const;
    static const QList<QPair<OperationPlan::Resolution, const char *>> &resolutions();
    QString replaceForGood(int count, const QString &why) const;
    QString replace(const QString &destination) const;
    QString keepLinkApart(const QString &destination) const;
    QString refusal(Asker::Refusal why) const;
    // What a stop leaves, asked before it is done.
    QString stopQuestion(OperationPlan::Kind kind, const char *leavesKey = nullptr) const;
    // What the wait popup shows while an operation's command runs: "Please wait" with no title
    // for an operation on one entry, the entry named for one on several; and, where a stop then
    // leaves something else, the stop question from then on.
    struct Running
    {
        QString title, text, stopText;
    };
    Running whileRunning(CommandRunner::Shows shows, const QString &entry) const;
    // After a stop: how many were done and how many not.
    // Stopped while what was copied was being flushed: all was done, and the writing goes on.
    QString stopped(int done, int entries, bool stillWriting = false) const;
    QString undo(const Journal::Operation &last, int fromTheTrash, int leftTheTrash) const;
    // An operation cut short, how many replaced entries went back, and, where some of it was
    // done, whether to take that back.
    QString interrupted(const Journal::Operation &last, int done, int putBack) const;
    QString notTakenBack(const QList<QPair<Undo::Verdict, QString>> &entries) const;
    // Chosen entries left untouched: another stood in their place by then.
    QString notChosen(const QStringList &paths) const;
    // Entries of a copy or move that failed, of which nothing is left at the destination.
    QString notDone(OperationPlan::Kind kind, const QStringList &destinations) const;
    // A name or path on one line, whatever it holds: a line break shows as a sign.
    static QString oneLine(const QString &name);
    // The program's name and what it does.
    QString about() const;
    // What a row of the listing is, for a screen reader: its type, a link's target, a file's size.
    QString rowDescription(const EntryDetails &entry) const;
    // The details of one entry, and of several.
    QString details(const QString &name, const EntryDetails &entry) const;
    QString details(const QList<EntryDetails> &entries) const;

private:
    QString type(const EntryDetails &entry) const;

    LanguageCatalog &m_catalog;
};
