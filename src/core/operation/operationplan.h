// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/folder/entryidentity.h"
#include "core/folder/targetfilesystem.h"

#include <QByteArray>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

struct stat;

// A copy, move or delete planned apart from any window: for each entry, where it goes, what
// already stands there and the command that does it; it changes nothing. The window only asks,
// runs and shows, and what is done on the file system in the program is FileWork's. Each entry
// is looked at on the file system when step() is called, just before its command would run, so
// that what an earlier entry did is seen.
class OperationPlan
{
public:
    enum Kind { Copy, Move, Delete };

    // One answer for every entry that already exists at the destination.
    enum Resolution { ReplaceAll, SkipExisting, KeepBoth, DecideEach };

    // What step() found for an entry.
    enum Verdict {
        Clear, // nothing of that name at the destination (always so for a delete)
        SameEntry, // the entry there is the source itself: the utility refuses and says why
        Conflict, // another entry of that name is there: ask before replacing it
        IntoItself, // a folder into itself or into a folder inside it: refused
        TooLong, // the command would not fit the runner: refused
        HoldsSource, // the folder of that name there holds the source: refused, never replaced
        // A link (to a folder or anything else) where a real folder of its name stands: it never
        // replaces the folder; kept both, or skipped.
        LinkOntoFolder,
        // Where names are compared without case, an earlier entry of the same operation took the
        // name: kept both, whatever the user chose for the entries that were there before.
        CaseClash,
    };

    struct Step
    {
        Kind kind = Copy;
        QString name; // the entry's name
        QString source; // its path, as the command names it
        QString destination; // the path it would get; empty for a delete
        Verdict verdict = Clear;
        QByteArray command; // empty when refused
        // For a Conflict that the user wants to keep beside the new entry: the first free name
        // of the form "name (2).ext" (a folder: "name (2)") and the command that copies or
        // moves the entry to it: `cp -a "%s" "%s"`, `mv "%s" "%s"` (or "%s/%s" for the first).
        QString keepBothDestination;
        QByteArray keepBothCommand;
        // A real folder whose one command would spoil it at the destination, which ignores
        // case: names inside clash. It goes entry by entry instead (see goesEntryByEntry()).
        bool clashesInside = false;
        // Names that the destination cannot hold are stored mapped (TargetFileSystem::mapped()),
        // or left out: a name it cannot hold and does not map, a link where it keeps none, or a
        // file larger than it holds gets no command at all. A folder that holds such an entry goes
        // entry by entry too.
        bool mapsNames = false;
        bool leftOut = false;
        bool unstorableInside = false;
        // A move to another file system: its command copies (`cp -a`), and the operation then
        // flushes the copy to its disk and only then removes the source.
        bool crosses = false;
    };

    // One entry, by its full path: the forms `cp -a "%s" "%s/"`, `mv "%s" "%s/"`, `rm -rf "%s"`.
    static OperationPlan single(Kind kind, const QString &source,
                                const QString &destinationFolder = QString());
    // Entries by name in one folder: `cp -a "%s/%s" "%s/"`, `mv "%s/%s" "%s/"`,
    // `rm -rf "%s/%s"`. ".." and empty names are left out.
    static OperationPlan multiple(Kind kind, const QString &sourceFolder, const QStringList &names,
                                  const QString &destinationFolder = QString());
    // Entries by their full paths, each to a path of its own (a restore from the trash: each to
    // where it stood), named whole there: `mv "%s" "%s"`, and to another file system
    // `cp -a "%s" "%s"`. source() is the first one's folder, destination() the nearest folder
    // that stands of the first one's place.
    static OperationPlan toPlaces(Kind kind, const QVector<QPair<QString, QString>> &moves);

    Kind kind() const { return m_kind; }
    // Entries by name in a folder, or one entry by its path.
    bool isMultiple() const { return m_multiple; }
    // The one entry's path, or the folder of the named entries; and the destination folder.
    const QString &source() const { return m_source; }
    const QString &destination() const { return m_destination; }
    // The largest file the destination holds; -1 for no limit.
    qint64 largestFile() const { return m_target.largestFile; }
    int count() const { return int(m_names.size()); }
    Step step(int index) const;
    // Whether names the destination cannot hold are stored mapped, rather than left out.
    void setMapsNames(bool maps);
    // The entries as the user chose them, each by what stood at its source then: by default when
    // the plan is made; a copy or move chosen before its destination was picked takes them from
    // that moment (setChosen, with as many as there are entries).
    const QVector<EntryIdentity> &chosen() const { return m_chosen; }
    void setChosen(const QVector<EntryIdentity> &chosen);
    // Whether the entry at the index's source is still the one that was chosen: one that another
    // program put in its place since is never touched.
    bool isChosen(int index) const;

    // What a copy or move will meet, found before anything runs: the trees are walked without
    // following links.
    struct Look
    {
        int entries = 0; // everything the walk met, at any depth
        qint64 bytes = 0; // what will be written at the destination
        // The room that takes there: each file in whole allocation units, and one for each
        // folder.
        qint64 taken = 0;
        bool crossesFileSystems = false; // a move that copies, then removes its source
        qint64 freeBytes = -1; // the room there for an unprivileged user; -1 when unknown
        int conflicts = 0; // entries of which another of the same name stands there
        // Entries, at any depth, that the destination cannot hold: their names (a card's, also
        // those that are not UTF-8), or links where it keeps none.
        int unstorable = 0;
        QStringList firstUnstorable; // the first few, as paths inside the operation
        // Files larger than the destination holds (a FAT card's 4 GiB - 1): left out, not counted
        // in bytes or taken.
        int tooLarge = 0;
        QStringList firstTooLarge;
        int linksOntoFolders = 0; // links, at any depth of a merge, where a real folder stands
        int caseClashes
                = 0; // names that clash with another of the operation's where case is ignored
        bool stopped = false; // keepGoing() said no: the look is not complete
    };
    // keepGoing, asked every few hundred entries, may stop a long walk.
    Look look(const std::function<bool()> &keepGoing = nullptr) const;
    // Whether a rename changes only the case of a name, on a file system that ignores case: the
    // file system takes both names for one, and such a rename goes by way of a free name
    // (`mv -T -n "%s" "%s" && mv -T -n "%s" "%s"`; nothing where that would not fit).
    static bool isCaseOnlyRename(const QString &from, const QString &to);
    static std::optional<QByteArray> caseRenameCommand(const QString &from, const QString &to);

    // Whether the source and the destination are both real folders (neither a link): an agreed
    // replace merges them.
    static bool mergesFolders(const Step &step);
    // Whether the step's folder goes across entry by entry, each by these same rules, rather than
    // by its one command: when replacing, a merge into the folder there (mv refuses one that
    // holds anything, and each entry it replaces is to be kept); otherwise a tree with clashing
    // names.
    static bool goesEntryByEntry(const Step &step, bool replacing);
    // The entries of a folder that goes entry by entry, into its destination.
    static OperationPlan insideOf(const Step &step);

private:
    QString sourceOf(int index) const;
    // The folder an entry goes into, and the nearest of it (or above it) that stands.
    QString folderOf(int index) const;
    QString standingFolderOf(int index) const;
    bool place(int index, Step *step, bool *mapped) const;
    Verdict verdictOf(int index, const Step &step, const struct stat *source) const;
    void lookInside(Step *step) const;
    void formCommands(int index, Step *step, bool mapped) const;
    void lookAtTheDestination();

    Kind m_kind = Copy;
    bool m_multiple = false;
    QString m_source; // the single entry's path, or the folder of the named entries
    QStringList m_names;
    QString m_destination;
    // For entries each to a place of its own: their paths, and where each goes.
    QStringList m_sources, m_places;
    TargetFileSystem m_target; // the destination's
    QVector<bool> m_clashesWithEarlier; // by entry, where the destination ignores case
    bool m_mapsNames = false;
    QVector<EntryIdentity> m_chosen; // by entry
    QSet<QString> m_heldNames; // as compared there: those that arrive as they are, when mapping
};
