// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/operation/asker.h"
#include "core/operation/journal.h"
#include "core/operation/operationplan.h"
#include "core/operation/trash.h"
#include "core/operation/undo.h"
#include "core/shell/commandrunner.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

// One operation that the user asked for, the whole way: the look before the work and the
// questions in their order, each entry's step (what stands in its way, merges, clearing the way,
// keep-both names), the journal's intents and outcomes, and what came of it. It asks through an
// Asker and runs its commands through a CommandRunner, so that it needs no screen: the window
// only starts it and shows its result.
class Operation
{
public:
    struct Result
    {
        bool agreed = false; // the user said yes; after a no all is as it was
        bool ran = false; // something ran or was made: the folder is to be listed again
        bool stopped = false; // the user stopped it
        int done = 0; // commands that ran to their own end
        int entries = 0; // what it was to do
        // What failing commands wrote: the one command's output, or, for an operation on several
        // entries, each failure's under its command.
        QByteArray failures;
        // Entries whose copy or move failed, by their destination: nothing of what the command
        // made is left there.
        QStringList notDone;
        // Chosen entries left untouched because another entry stood at their place by then.
        QStringList notChosen;
        QList<QPair<Undo::Verdict, QString>> notTakenBack; // what an undo could not take back
        int putBack = 0; // replaced entries back from the trash, at a start after a kill
        // Entries of the trash not restored, as the trash shows them, for their origin (a
        // TrashInfo::Origin) is not one to restore to.
        QList<QPair<QString, int>> cannotRestore;
        std::optional<bool> undoable; // whether there is something to undo now, where it changed
        bool stillWriting = false; // stopped while what it copied was flushed: that goes on
        bool ejected = false; // unmounted: safe to remove
    };

    Operation(Asker &asker, CommandRunner &runner, Journal &journal);

    // A new folder in folder, made here, its name asked.
    Result createFolder(const QString &folder);
    // The entry at path given a new name in its folder, asked.
    Result rename(const QString &path);
    // A copy, move or delete of one entry or of several in one folder.
    Result run(const OperationPlan &plan);
    // The entries named in folder go to the trash of their file system, without a question (it
    // can be taken back): one operation on record, as undo takes it back.
    Result toTrash(const QString &folder, const QStringList &names);
    // Entries of the trash back where they stood, as one operation on record (undo sends them to
    // the trash again): a folder missing on the way is made, what stands there gets the choice
    // of a copy, and an entry's info goes only once the entry has left the trash. One whose
    // origin is unknown, or one not to be taken, stays (Result::cannotRestore).
    Result restore(const QVector<Trash::Item> &items);
    // Entries of the trash removed for good, after the question, their infos with them.
    Result discard(const QVector<Trash::Item> &items, Asker::Discard what);
    // The file system mounted at point, from device, taken out safely: what is written there is
    // flushed, then it is unmounted (through udisks2 where udisksctl is on PATH and device is a
    // block device, which it then powers off; else umount). Refused while an operation of the
    // program is at work (its journal is held).
    Result eject(const QString &point, const QString &device);
    // Takes back the newest operation on record, after asking; the one before it is next.
    Result undo();
    // At start-up: an operation that the program did not live to finish is reported (once the
    // commands of it that outlived the program are done), what its kill left half done is
    // settled as a stop would have (pieces of copies removed, replaced entries put back where
    // their entries never came), and what of it was done may be taken back.
    Result reportInterrupted();

private:
    // Which entries the journal keeps: none (a delete), the operation's own, or those inside a
    // folder it merges into.
    enum Record { NotKept, Kept, KeptInside };
    // What is done with an entry, once its questions are answered.
    enum Act { Skip, Whole, Apart, Replace };

    QString askName(Asker::NameFor what, const QString &folder, const QString &current,
                    QString *typed, int selected);
    bool askBeforeTheWork(OperationPlan *plan, OperationPlan::Resolution *resolution,
                          bool confirming = true);
    bool makeRoom(const OperationPlan &plan, const OperationPlan::Look &look);
    void trashAlone(const QString &path);
    void finishWriting(const QString &destination);
    bool runStep(const OperationPlan::Step &step, OperationPlan::Resolution resolution,
                 Record record, const std::function<bool()> &chosen = nullptr);
    Act decide(const OperationPlan::Step &step, OperationPlan::Resolution resolution);
    bool runWhole(const OperationPlan::Step &step, OperationPlan::Resolution resolution,
                  Record record);
    void replace(const OperationPlan::Step &step, OperationPlan::Resolution resolution,
                 Record record);
    void keepOrPutBack(const Trash::Put &put, int item, bool replaced);
    void runInside(const OperationPlan::Step &step, OperationPlan::Resolution resolution,
                   bool madeHere, Record record);
    OperationPlan::Step nextStep(const OperationPlan &plan, int i,
                                 OperationPlan::Resolution resolution);
    void putAsideAhead(const OperationPlan &plan, int from, const OperationPlan::Step &first);
    void putBack();
    void takeBack(const QByteArray &line, const QString &place, const QString &shown);
    bool runEntry(const QByteArray &line, const OperationPlan::Step &step, int entry,
                  const EntryIdentity &before);
    // A command is an entry's (counted among those done, its failure reported), one whose
    // failure is reported (part of an entry, the closing flush), or neither (a batch for the
    // trash, whose entries report their own).
    enum Counts { AnEntry, Reported, Neither };
    bool runCommand(const QByteArray &line, const OperationPlan::Step *step = nullptr,
                    Counts counts = AnEntry);
    void fail(const QByteArray &line, const QByteArray &why);
    void recover(Journal::Operation *cutShort);
    void finishMoves(Journal::Operation *cutShort);
    void takeBack(const Journal::Operation &operation);
    Undo::Verdict sendBackToTheTrash(const QString &path);
    void ended();

    Asker &m_asker;
    CommandRunner &m_runner;
    Journal &m_journal;
    Result m_result;
    bool m_several = false; // failures are gathered, each entry named while it runs
    CommandRunner::Shows m_shows = CommandRunner::Waiting;
    QString m_shown; // the entry that the runner names
    bool m_forGood = false; // no trash there: what a replace removes is lost, as agreed
    bool m_wrote = false; // data was copied: it is flushed before the operation ends
    // What stood at these destinations went to the trash ahead of their entries' commands.
    struct Aside
    {
        Trash::Put put;
        int item = -1; // in the journal
        OperationPlan::Step step; // as planned while it stood there
    };
    QHash<QString, Aside> m_aside;
};
