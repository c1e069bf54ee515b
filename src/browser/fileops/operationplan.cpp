#include "operationplan.h"

#include "filename.h"
#include "shellcommand.h"

#include <cstdlib>
#include <sys/stat.h>

namespace {

bool sameEntry(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether folder is the entry itself or lies anywhere inside it. Followed by its real path, so
// that a way in through a symbolic link counts too.
bool isWithin(const QString &folder, const struct stat &entry)
{
    char *real = ::realpath(FileName::toBytes(folder).constData(), nullptr);
    if (!real)
        return false;
    QByteArray path(real);
    std::free(real);
    for (;;) {
        struct stat info;
        if (::stat(path.constData(), &info) == 0 && sameEntry(info, entry))
            return true;
        if (path == "/")
            return false;
        const qsizetype slash = path.lastIndexOf('/');
        path.truncate(slash > 0 ? slash : 1);
    }
}

// The path of name in folder: no doubled "/" at the root.
QString childOf(const QString &folder, const QString &name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

const char *formOf(OperationPlan::Kind kind, bool multiple)
{
    switch (kind) {
    case OperationPlan::Copy:
        return multiple ? R"(cp -a "%s/%s" "%s/")" : R"(cp -a "%s" "%s/")";
    case OperationPlan::Move:
        return multiple ? R"(mv "%s/%s" "%s/")" : R"(mv "%s" "%s/")";
    case OperationPlan::Delete:
        break;
    }
    return multiple ? R"(rm -rf "%s/%s")" : R"(rm -rf "%s")";
}

} // namespace

bool OperationPlan::entryAt(const QString &path, struct stat *info)
{
    return ::lstat(FileName::toBytes(path).constData(), info) == 0;
}

OperationPlan OperationPlan::single(Kind kind, const QString &source,
                                    const QString &destinationFolder)
{
    OperationPlan plan;
    plan.m_kind = kind;
    plan.m_source = source;
    plan.m_names = QStringList{ source.mid(source.lastIndexOf(u'/') + 1) };
    plan.m_destination = destinationFolder;
    return plan;
}

OperationPlan OperationPlan::multiple(Kind kind, const QString &sourceFolder,
                                      const QStringList &names, const QString &destinationFolder)
{
    OperationPlan plan;
    plan.m_kind = kind;
    plan.m_multiple = true;
    plan.m_source = sourceFolder;
    for (const QString &name : names) {
        if (!name.isEmpty() && name != QLatin1String(".."))
            plan.m_names.append(name);
    }
    plan.m_destination = destinationFolder;
    return plan;
}

OperationPlan::Step OperationPlan::step(int index) const
{
    Step step;
    step.kind = m_kind;
    step.name = m_names.value(index);
    step.source = m_multiple ? m_source + u'/' + step.name : m_source;

    QStringList arguments;
    if (m_multiple)
        arguments << m_source << step.name;
    else
        arguments << m_source;
    if (m_kind != Delete) {
        arguments << m_destination;
        step.destination = childOf(m_destination, step.name);
        struct stat source, there;
        const bool sourceExists = entryAt(step.source, &source);
        if (sourceExists && S_ISDIR(source.st_mode) && isWithin(m_destination, source))
            step.verdict = IntoItself;
        else if (entryAt(step.destination, &there))
            step.verdict = sourceExists && sameEntry(source, there) ? SameEntry : Conflict;
    }
    if (step.verdict == IntoItself)
        return step;
    const std::optional<QByteArray> command
            = ShellCommand::form(formOf(m_kind, m_multiple), arguments);
    if (!command)
        step.verdict = TooLong;
    else
        step.command = *command;
    return step;
}
