#include "ProcessOwner.h"

#include <sys/sysctl.h>
#include <sys/types.h>

std::optional<uid_t> ProcessOwner::userOf(qint64 pid)
{
    if (pid <= 0)
        return std::nullopt;
    kinfo_proc info{};
    size_t size = sizeof(info);
    int name[] = {CTL_KERN, KERN_PROC, KERN_PROC_PID, int(pid)};
    if (::sysctl(name, 4, &info, &size, nullptr, 0) != 0 || size == 0)
        return std::nullopt;
    return info.kp_eproc.e_pcred.p_ruid;
}
