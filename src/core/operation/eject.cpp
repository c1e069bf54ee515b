// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/operation/operation.h"

#include "core/names/filename.h"
#include "core/shell/shellcommand.h"

#include <QStandardPaths>

#include <cstdio>

#include <sys/stat.h>

namespace {

bool isBlockDevice(const QString &path)
{
    struct stat info;
    return ::stat(FileName::toBytes(path).constData(), &info) == 0 && S_ISBLK(info.st_mode);
}

} // namespace

Operation::Result Operation::eject(const QString &point, const QString &device)
{
    if (m_journal.isHeld()) {
        m_asker.refuse(Asker::WritesThere);
        return m_result;
    }
    // udisks2 mounted it, most likely, and keeps track of it: it unmounts it too.
    const bool udisks = !QStandardPaths::findExecutable(QStringLiteral("udisksctl")).isEmpty()
                        && isBlockDevice(device);
    const std::optional<QByteArray> flush = ShellCommand::form(R"(sync -f "%s")", { point });
    const std::optional<QByteArray> unmount
            = udisks ? ShellCommand::form(R"(udisksctl unmount -b "%s")", { device })
                     : ShellCommand::form(R"(umount "%s")", { point });
    const std::optional<QByteArray> powerOff
            = ShellCommand::form(R"(udisksctl power-off -b "%s")", { device });
    if (!flush || !unmount || !powerOff) {
        m_asker.refuse(Asker::TooLong);
        return m_result;
    }
    m_result.agreed = true;
    m_result.entries = 1;
    m_result.ran = true;
    m_shows = CommandRunner::Waiting;
    m_shown = FileName::lastPart(point);
    if (!runCommand(*flush, nullptr, Reported) || !runCommand(*unmount))
        return m_result;
    m_result.ejected = true;
    // Unmounted is safe to remove; a device that cannot be powered off (a card reader's slot)
    // is no failure of the eject.
    if (udisks) {
        CommandRunner::Command command;
        command.line = *powerOff;
        command.entry = m_shown;
        const CommandRunner::Ran ran = m_runner.run(command);
        if (ran.outcome == CommandRunner::Failed)
            std::fprintf(stderr, "filemanager: %s: %s\n", powerOff->constData(),
                         ran.output.trimmed().constData());
    }
    return m_result;
}
