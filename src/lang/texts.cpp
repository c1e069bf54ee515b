// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/texts.h"

#include "core/names/filename.h"
#include "lang/formats.h"
#include "lang/languagecatalog.h"

#include <QCoreApplication>

#include <map>

namespace {

const std::map<Journal::Kind, const char *> undoKeys = {
    { Journal::Move, "BR_UNDO_MOVE" },     { Journal::Rename, "BR_UNDO_RENAME" },
    { Journal::Copy, "BR_UNDO_COPY" },     { Journal::NewFolder, "BR_UNDO_MKDIR" },
    { Journal::ToTrash, "BR_UNDO_TRASH" }, { Journal::Restore, "BR_UNDO_RESTORE" },
};
// What an operation cut short was doing, before its folder.
const std::map<Journal::Kind, const char *> unfinishedKeys = {
    { Journal::Move, "BR_UNFINISHED_MOVE" },     { Journal::Rename, "BR_UNFINISHED_RENAME" },
    { Journal::Copy, "BR_UNFINISHED_COPY" },     { Journal::NewFolder, "BR_UNFINISHED_MKDIR" },
    { Journal::ToTrash, "BR_UNFINISHED_TRASH" }, { Journal::Restore, "BR_UNFINISHED_RESTORE" },
};
const std::map<Asker::Refusal, const char *> refusalKeys = {
    { Asker::IntoItself, "BR_INTO_ITSELF" }, { Asker::HoldsSource, "BR_HOLDS_SOURCE" },
    { Asker::TooLong, "BR_TOO_LONG" },       { Asker::NameTaken, "BR_NAME_EXISTS" },
    { Asker::NotMade, "BR_MKDIR_ERROR" },    { Asker::InvalidName, "BR_INVALID_NAME" },
    { Asker::WritesThere, "BR_EJECT_BUSY" },
};
const std::map<Undo::Verdict, const char *> reasonKeys = {
    { Undo::Possible, "BR_UNDO_FAILED" },
    { Undo::Gone, "BR_UNDO_GONE" },
    { Undo::Changed, "BR_UNDO_CHANGED" },
    { Undo::NameTaken, "BR_UNDO_NAME_TAKEN" },
    { Undo::NotEmpty, "BR_UNDO_NOT_EMPTY" },
    { Undo::TooLong, "BR_UNDO_TOO_LONG" },
    { Undo::OnlyCopy, "BR_UNDO_ONLY_COPY" },
    { Undo::NotInTrash, "BR_UNDO_NOT_IN_TRASH" },
    { Undo::StaysInTrash, "BR_UNDO_STAYS_IN_TRASH" },
    { Undo::NoTrash, "BR_UNDO_NO_TRASH" },
};
// Why an entry of the trash is not restored.
const std::map<TrashInfo::Origin, const char *> originKeys = {
    { TrashInfo::Known, "BR_ORIGIN_EMPTY" },
    { TrashInfo::OutsideItsTop, "BR_ORIGIN_OUTSIDE" },
    { TrashInfo::ClimbsOut, "BR_ORIGIN_CLIMBS" },
    { TrashInfo::Empty, "BR_ORIGIN_EMPTY" },
    { TrashInfo::Undecodable, "BR_ORIGIN_UNDECODABLE" },
    { TrashInfo::NoInfo, "BR_ORIGIN_NO_INFO" },
};

// The first names a question gives, each on a line of its own.
QString lines(const QStringList &names)
{
    QString text;
    for (const QString &name : names)
        text += Texts::oneLine(name) + u'\n';
    return text;
}

// A DeletionDate, YYYYMMDDhhmmss in local time.
QDateTime dateOf(qint64 digits)
{
    const QString text = QString::number(digits);
    return QDateTime::fromString(text, QStringLiteral("yyyyMMddHHmmss"));
}
const std::map<EntryDetails::Type, const char *> typeKeys = {
    { EntryDetails::Missing, "BR_OTHER_TYPE" }, { EntryDetails::Folder, "BR_FOLDER_TYPE" },
    { EntryDetails::File, "BR_FILE_TYPE" },     { EntryDetails::Link, "BR_LINK_TYPE" },
    { EntryDetails::Other, "BR_OTHER_TYPE" },
};

} // namespace

Texts::Texts(LanguageCatalog &catalog)
    : m_catalog(catalog)
{
}

QString Texts::operator()(const char *key) const
{
    return m_catalog.lookup(key);
}

QString Texts::nameQuestion(const QString &folder, const QString &current) const
{
    const QString text = (*this)("BR_CUR_DIR") + folder;
    return current.isNull() ? text : text + u'\n' + (*this)("BR_CUR_NAME") + current;
}

QString Texts::title(OperationPlan::Kind kind) const
{
    return (*this)(kind == OperationPlan::Copy   ? "BR_COPY"
                   : kind == OperationPlan::Move ? "BR_MOVE"
                                                 : "BR_DELETE");
}

QString Texts::confirm(const OperationPlan &plan, const OperationPlan::Look &look) const
{
    const Texts &text = *this;
    const bool several = plan.isMultiple();
    // Several: how many, so that a selection that shrank since is seen.
    if (plan.kind() == OperationPlan::Delete && several)
        return plan.count() == 1
                       ? text("BR_CONFIRM_DELETE_ONE")
                       : text("BR_CONFIRM_DELETE_MULTI").arg(Formats::count(plan.count()));
    if (plan.kind() == OperationPlan::Delete)
        return text("BR_CONFIRM_DELETE") + plan.source() + text("BR_QUESTION_END");
    const bool copying = plan.kind() == OperationPlan::Copy;
    QString question = text(several ? (copying ? "BR_CONFIRM_COPY_MULTI" : "BR_CONFIRM_MOVE_MULTI")
                                    : (copying ? "BR_CONFIRM_COPY" : "BR_CONFIRM_MOVE"))
                       + plan.source() + QStringLiteral(" -> ") + plan.destination()
                       + text("BR_QUESTION_END") + u'\n' + text("BR_ENTRIES")
                       + Formats::count(plan.count());
    if (copying || look.crossesFileSystems)
        question += QStringLiteral(" (%1)").arg(Formats::bytes(look.bytes));
    if (look.crossesFileSystems)
        question += u'\n' + text("BR_MOVE_COPIES");
    if (look.linksOntoFolders > 0)
        question += u'\n' + text("BR_LINKS_KEPT_APART") + Formats::count(look.linksOntoFolders);
    if (look.caseClashes > 0)
        question += u'\n' + text("BR_CASE_KEPT_APART") + Formats::count(look.caseClashes);
    return question;
}

QString Texts::noRoom(qint64 needed, qint64 free) const
{
    const Texts &text = *this;
    return text("BR_SPACE_NEEDED") + Formats::bytes(needed) + u'\n' + text("BR_SPACE_FREE")
           + Formats::bytes(free) + u'\n' + text("BR_GO_ON_ANYWAY");
}

QString Texts::namesNotStored(int count, const QStringList &first) const
{
    const Texts &text = *this;
    return text("BR_NAMES_CANNOT_BE_STORED") + Formats::count(count) + u'\n' + lines(first)
           + text("BR_GO_ON_ANYWAY");
}

QString Texts::tooLarge(int count, const QStringList &first, qint64 limit) const
{
    return (*this)("BR_TOO_LARGE_FILES").arg(Formats::count(count), Formats::bytes(limit + 1))
           + u'\n' + lines(first) + (*this)("BR_LEAVE_OUT_REST");
}

QString Texts::placeDescription(const QString &type, qint64 free, qint64 total, bool readOnly) const
{
    QString line = free < 0 || total < 0
                           ? type
                           : (*this)("BR_PLACE_SPACE")
                                     .arg(type, Formats::bytes(free), Formats::bytes(total));
    return readOnly ? line + QStringLiteral(", ") + (*this)("BR_READ_ONLY") : line;
}

QString Texts::placeDetails(const QString &name, const QString &path, const QString &device,
                            const QString &description) const
{
    const Texts &text = *this;
    QString details = oneLine(name) + u'\n' + text("BR_MOUNTED_AT") + oneLine(path) + u'\n';
    if (!device.isEmpty())
        details += text("BR_DEVICE") + oneLine(device) + u'\n';
    return details + description;
}

QString Texts::safeToRemove(const QString &name) const
{
    return (*this)("BR_SAFE_TO_REMOVE").arg(oneLine(name));
}

QString Texts::placeRemoved(const QString &name) const
{
    return (*this)("BR_PLACE_REMOVED").arg(oneLine(name));
}

QString Texts::searchQuestion(const QString &folder) const
{
    return (*this)("BR_SEARCH_BELOW").arg(oneLine(FileName::forDisplay(folder)));
}

QString Texts::searchLine(const QString &text, const QString &start, int found, bool running,
                          int unreadable) const
{
    QString line = (*this)("BR_SEARCH_LINE")
                           .arg(oneLine(text), oneLine(FileName::forDisplay(start)),
                                Formats::count(found));
    if (running)
        return line + QStringLiteral(" …");
    if (unreadable > 0)
        line += QStringLiteral(", ") + (*this)("BR_UNREADABLE").arg(Formats::count(unreadable));
    return line;
}

QString Texts::searchedDescription(const EntryDetails &entry, const QString &folder) const
{
    return rowDescription(entry) + QStringLiteral(", ") + foundIn(folder);
}

QString Texts::foundIn(const QString &folder) const
{
    return (*this)("BR_FOUND_IN")
            .arg(folder.isEmpty() ? QStringLiteral(".") : oneLine(FileName::forDisplay(folder)));
}

QString Texts::existing(int count) const
{
    return (*this)("BR_EXIST_THERE") + Formats::count(count);
}

const QList<QPair<OperationPlan::Resolution, const char *>> &Texts::resolutions()
{
    static const QList<QPair<OperationPlan::Resolution, const char *>> offered = {
        { OperationPlan::ReplaceAll, "BR_REPLACE_ALL" },
        { OperationPlan::SkipExisting, "BR_SKIP_EXISTING" },
        { OperationPlan::KeepBoth, "BR_KEEP_BOTH" },
        { OperationPlan::DecideEach, "BR_DECIDE_EACH" },
    };
    return offered;
}

QString Texts::emptyTrashForRoom(qint64 needed, qint64 free, int entries, qint64 bytes) const
{
    const Texts &text = *this;
    return text("BR_SPACE_NEEDED") + Formats::bytes(needed) + u'\n' + text("BR_SPACE_FREE")
           + Formats::bytes(free) + u'\n' + text("BR_TRASH_HOLDS") + Formats::count(entries)
           + QStringLiteral(" (%1)").arg(Formats::bytes(bytes));
}

QString Texts::discard(Asker::Discard what, int entries, qint64 bytes, const QString &path) const
{
    const Texts &text = *this;
    switch (what) {
    case Asker::DiscardOne:
        return text("BR_CONFIRM_DELETE") + path + text("BR_QUESTION_END");
    case Asker::DiscardSeveral:
        return entries == 1 ? text("BR_CONFIRM_DELETE_ONE")
                            : text("BR_CONFIRM_DELETE_MULTI").arg(Formats::count(entries));
    case Asker::EmptyTrash:
        break;
    }
    return text("BR_CONFIRM_EMPTY_TRASH").arg(Formats::count(entries), Formats::bytes(bytes));
}

QString Texts::cannotRestore(const QList<QPair<QString, int>> &entries) const
{
    QString text = (*this)("BR_CANNOT_RESTORE");
    for (const auto &[name, origin] : entries)
        text += u'\n' + oneLine(FileName::forDisplay(name)) + QStringLiteral(": ")
                + (*this)(originKeys.at(TrashInfo::Origin(origin)));
    return text;
}

QString Texts::trashLine(int entries, qint64 bytes) const
{
    return (*this)("BR_TRASH") + QStringLiteral(" \u00b7 ") + (*this)("BR_ENTRIES")
           + Formats::count(entries) + QStringLiteral(" (%1)").arg(Formats::bytes(bytes));
}

QString Texts::trashedDescription(const EntryDetails &entry, const QString &original,
                                  qint64 deleted) const
{
    const QString from
            = original.isEmpty()
                      ? (*this)("BR_ORIGIN_UNKNOWN")
                      : (*this)("BR_ORIGIN")
                                + oneLine(FileName::forDisplay(FileName::parentOf(original)));
    const QDateTime when = dateOf(deleted);
    return rowDescription(entry) + QStringLiteral(", ") + from
           + (when.isValid() ? QStringLiteral(", ") + Formats::dateTime(when) : QString());
}

QString Texts::trashedDetails(const QString &name, const EntryDetails &entry,
                              const QString &original, qint64 deleted) const
{
    const QDateTime when = dateOf(deleted);
    return details(name, entry) + u'\n' + (*this)("BR_ORIGIN")
           + (original.isEmpty() ? (*this)("BR_ORIGIN_UNKNOWN")
                                 : oneLine(FileName::forDisplay(original)))
           + u'\n' + (*this)("BR_TRASHED_ON")
           + (when.isValid() ? Formats::dateTime(when) : QStringLiteral("?"));
}

QString Texts::replaceForGood(int count, const QString &why) const
{
    const QString reason = why.isEmpty() ? QString() : (*this)("BR_NO_TRASH_BECAUSE") + why + u'\n';
    return (*this)("BR_REPLACE_FOR_GOOD") + Formats::count(count) + u'\n' + reason
           + (*this)("BR_GO_ON_ANYWAY");
}

QString Texts::replace(const QString &destination) const
{
    return (*this)("BR_CONFIRM_REPLACE") + destination + (*this)("BR_QUESTION_END");
}

QString Texts::keepLinkApart(const QString &destination) const
{
    return (*this)("BR_KEEP_LINK_APART") + destination + (*this)("BR_QUESTION_END");
}

QString Texts::refusal(Asker::Refusal why) const
{
    return (*this)(refusalKeys.at(why));
}

QString Texts::stopQuestion(OperationPlan::Kind kind, const char *leavesKey) const
{
    return (*this)("BR_CONFIRM_STOP") + u'\n'
           + (*this)(leavesKey                     ? leavesKey
                     : kind == OperationPlan::Copy ? "BR_STOP_COPY"
                     : kind == OperationPlan::Move ? "BR_STOP_MOVE"
                                                   : "BR_STOP_DELETE");
}

Texts::Running Texts::whileRunning(CommandRunner::Shows shows, const QString &entry) const
{
    static const std::map<CommandRunner::Shows, const char *> doingKeys = {
        { CommandRunner::Copying, "BR_COPYING" },     { CommandRunner::Moving, "BR_MOVING" },
        { CommandRunner::Deleting, "BR_DELETING" },   { CommandRunner::Trashing, "BR_TRASHING" },
        { CommandRunner::Restoring, "BR_RESTORING" }, { CommandRunner::Writing, "BR_WRITING" },
    };
    Running running;
    running.title = shows == CommandRunner::Waiting ? QString() : entry;
    const auto doing = doingKeys.find(shows);
    running.text
            = doing == doingKeys.end() ? (*this)("BR_PLEASEWAIT") : (*this)(doing->second) + entry;
    // A stop while the copies are flushed ends only the wait.
    if (shows == CommandRunner::Writing)
        running.stopText = (*this)("BR_STOP_WRITING");
    return running;
}

QString Texts::stopped(int done, int entries, bool stillWriting) const
{
    if (stillWriting)
        return (*this)("BR_STILL_WRITING");
    return (*this)("BR_DONE") + Formats::count(done) + u'\n' + (*this)("BR_NOT_DONE")
           + Formats::count(entries - done);
}

QString Texts::undo(const Journal::Operation &last, int fromTheTrash, int leftTheTrash) const
{
    const Texts &text = *this;
    const bool toTrash = last.kind == Journal::ToTrash;
    const bool several = last.kind == Journal::Move || last.kind == Journal::Copy || toTrash
                         || last.kind == Journal::Restore;
    QString question = text(undoKeys.at(last.kind))
                       + (several ? last.folder : last.entries.first().destination)
                       + text("BR_QUESTION_END");
    if (several)
        question += u'\n' + text("BR_ENTRIES")
                    + Formats::count(toTrash ? fromTheTrash : last.count(Journal::Done));
    // What a move to the trash put there is what comes back: said once, above.
    if (fromTheTrash > 0 && !toTrash)
        question += u'\n' + text("BR_COME_BACK") + Formats::count(fromTheTrash);
    if (leftTheTrash > 0)
        question += u'\n' + text("BR_LEFT_THE_TRASH") + Formats::count(leftTheTrash);
    return question;
}

QString Texts::interrupted(const Journal::Operation &last, int done, int putBack) const
{
    QString report = (*this)(unfinishedKeys.at(last.kind)) + last.folder + u'\n'
                     + stopped(done, last.planned);
    if (putBack > 0)
        report += u'\n' + (*this)("BR_PUT_BACK") + Formats::count(putBack);
    return done > 0 ? report + u'\n' + (*this)("BR_TAKE_BACK_DONE") : report;
}

QString Texts::notTakenBack(const QList<QPair<Undo::Verdict, QString>> &entries) const
{
    QString text = (*this)("BR_NOT_TAKEN_BACK");
    for (const auto &[verdict, path] : entries)
        text += u'\n' + (*this)(reasonKeys.at(verdict)) + FileName::forDisplay(path);
    return text;
}

QString Texts::notChosen(const QStringList &paths) const
{
    QString text = (*this)("BR_NOT_CHOSEN");
    for (const QString &path : paths)
        text += u'\n' + oneLine(FileName::forDisplay(path));
    return text;
}

QString Texts::notDone(OperationPlan::Kind kind, const QStringList &destinations) const
{
    QString text = (*this)(kind == OperationPlan::Copy ? "BR_NOT_COPIED" : "BR_NOT_MOVED");
    for (const QString &path : destinations)
        text += u'\n' + oneLine(FileName::forDisplay(path));
    return text;
}

QString Texts::oneLine(const QString &name)
{
    QString shown = name;
    return shown.replace(u'\n', QChar(0x21b5));
}

QString Texts::about() const
{
    // The credits come through the platform's translation, as its own texts do.
    return (*this)("BR_FILEMANAGER")
           + QCoreApplication::translate("fileDialog",
                                         " for the phone: browse, open, create, rename, delete, "
                                         "copy and move files and folders.\n"
                                         "Free software, built on Qt.");
}

QString Texts::type(const EntryDetails &entry) const
{
    return (*this)(typeKeys.at(entry.type))
           + (entry.type == EntryDetails::Link ? entry.linkTarget : QString());
}

QString Texts::rowDescription(const EntryDetails &entry) const
{
    return entry.type == EntryDetails::File
                   ? type(entry) + QStringLiteral(", ") + Formats::bytes(entry.size)
                   : type(entry);
}

QString Texts::details(const QString &name, const EntryDetails &entry) const
{
    const Texts &text = *this;
    return text("BR_CUR_NAME") + oneLine(name) + u'\n' + text("BR_TYPE") + type(entry) + u'\n'
           + text("BR_SIZE") + (entry.sizeComplete ? QString() : text("BR_AT_LEAST"))
           + Formats::bytes(entry.size) + u'\n' + text("BR_CHANGED")
           + Formats::dateTime(entry.changed) + u'\n' + text("BR_RIGHTS") + entry.permissions + u' '
           + entry.owner + u' ' + entry.group + u'\n' + text("BR_SPACE")
           + Formats::bytes(entry.freeBytes) + QStringLiteral(" / ")
           + Formats::bytes(entry.totalBytes);
}

QString Texts::details(const QList<EntryDetails> &entries) const
{
    qint64 bytes = 0;
    bool whole = true;
    for (const EntryDetails &entry : entries) {
        bytes += entry.size;
        whole = whole && entry.sizeComplete;
    }
    // A count that missed what it could not read says that it is at least that.
    return (*this)("BR_CHECKED") + Formats::count(entries.size()) + u'\n' + (*this)("BR_SIZE")
           + (whole ? QString() : (*this)("BR_AT_LEAST")) + Formats::bytes(bytes);
}
