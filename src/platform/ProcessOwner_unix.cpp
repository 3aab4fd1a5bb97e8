#include "ProcessOwner.h"

#include <QFile>

std::optional<uid_t> ProcessOwner::userOf(qint64 pid)
{
    if (pid <= 0)
        return std::nullopt;
    // The status file stays readable by everyone, and its "Uid:" line holds the real, effective,
    // saved and file system ids; the owner of the /proc entry itself is root for a non-dumpable
    // process, so it cannot be used.
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (!line.startsWith("Uid:"))
            continue;
        bool ok = false;
        const uint uid = line.mid(4).simplified().split(' ').value(0).toUInt(&ok);
        return ok ? std::optional<uid_t>(uid_t(uid)) : std::nullopt;
    }
    return std::nullopt;
}
