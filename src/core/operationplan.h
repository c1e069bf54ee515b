#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

struct stat;

// A copy, move or delete planned apart from any window: for each entry, where it goes, what
// already stands there and the command that does it. The window only asks, runs and shows.
// Each entry is looked at on the file system when step() is called, just before its command
// would run, so that what an earlier entry did is seen.
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
    };

    struct Step
    {
        Kind kind = Copy;
        QString name; // the entry's name
        QString source; // its path, as the command names it
        QString destination; // the path it would get; empty for a delete
        Verdict verdict = Clear;
        QByteArray command; // empty when refused
        // What runs instead once the user has agreed to replace a Conflict: a copy removes each
        // file there before it writes (a link, a pipe, a device or a second name of a file
        // elsewhere is never written through); a move's rename replaces the entry itself.
        QByteArray replaceCommand;
        // For a Conflict that the user wants to keep beside the new entry: the first free name
        // of the form "name (2).ext" (a folder: "name (2)") and the command that copies or
        // moves the entry to it: `cp -a "%s" "%s"`, `mv "%s" "%s"` (or "%s/%s" for the first).
        QString keepBothDestination;
        QByteArray keepBothCommand;
    };

    // One entry, by its full path: the forms `cp -a "%s" "%s/"`, `mv "%s" "%s/"`, `rm -rf "%s"`.
    static OperationPlan single(Kind kind, const QString &source,
                                const QString &destinationFolder = QString());
    // Entries by name in one folder: `cp -a "%s/%s" "%s/"`, `mv "%s/%s" "%s/"`,
    // `rm -rf "%s/%s"`. ".." and empty names are left out.
    static OperationPlan multiple(Kind kind, const QString &sourceFolder, const QStringList &names,
                                  const QString &destinationFolder = QString());

    Kind kind() const { return m_kind; }
    int count() const { return int(m_names.size()); }
    Step step(int index) const;

    // What a copy or move will meet, found before anything runs: the trees are walked without
    // following links.
    struct Look
    {
        int entries = 0; // everything the walk met, at any depth
        qint64 bytes = 0; // what will be written at the destination
        bool crossesFileSystems = false; // a move that copies, then removes its source
        qint64 freeBytes = -1; // the room there for an unprivileged user; -1 when unknown
        int conflicts = 0; // entries of which another of the same name stands there
        int unstorable = 0; // names, at any depth, that the destination cannot hold
        QStringList firstUnstorable; // the first few, as paths inside the operation
        QStringList unstorableEntries; // the entries whose own name cannot be stored there
        bool stopped = false; // keepGoing() said no: the look is not complete
    };
    // keepGoing, asked every few hundred entries, may stop a long walk.
    Look look(const std::function<bool()> &keepGoing = nullptr) const;
    // Whether a file system can hold the name: one with this limit of bytes for a name, and,
    // when it is FAT, exFAT or NTFS, none of " * : < > ? \ | or a control character, no blank or
    // dot at the end and at most 255 UTF-16 units.
    static bool canHold(QByteArrayView name, bool fatLike, long nameMax);
    // The first name of the form "name (2).ext", "name (3).ext"... (for a folder "name (2)")
    // that nothing in folder has; the extension is what follows the last dot that does not begin
    // the name.
    static QString freeName(const QString &folder, const QString &name, bool isFolder);

    // Whether an entry stands at path, dangling symbolic links included (lstat), and which.
    static bool entryAt(const QString &path, struct stat *info);

    // Right before an agreed replace runs: removes what stands at the destination where a folder
    // of the source comes and is not itself a folder (a link to one above all, which cp would
    // refuse or, worse, be taken into), at any depth of the folders that the copy merges into,
    // and at the top a link, pipe, socket or device that the command would otherwise open.
    // Returns false, with the reason on standard error, when something could not be removed.
    static bool clearWayForReplace(const Step &step);
    // Whether an agreed replace is a move of a folder onto a folder (neither of them a link):
    // mv refuses one that holds anything, so what is inside goes across entry by entry, by the
    // same rules (insideOf), and the emptied folder is removed (removeIfEmpty).
    static bool mergesFolders(const Step &step);
    static OperationPlan insideOf(const Step &step);
    static bool removeIfEmpty(const QString &folder);

    // More entries than this in a source tree are not walked for an identity check.
    static constexpr int walkLimit = 100000;

private:
    QString sourceOf(int index) const;

    Kind m_kind = Copy;
    bool m_multiple = false;
    QString m_source; // the single entry's path, or the folder of the named entries
    QStringList m_names;
    QString m_destination;
};
