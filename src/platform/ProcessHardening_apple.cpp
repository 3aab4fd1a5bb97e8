#include "ProcessHardening.h"

#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/types.h>

bool ProcessHardening::keepMemoryPrivate()
{
    // macOS has no dumpable flag: a zero core limit keeps the memory out of /cores, and denying
    // attachment keeps debuggers of the same user out.
    const rlimit none{0, 0};
    const bool noCore = ::setrlimit(RLIMIT_CORE, &none) == 0;
    const bool noAttach = ::ptrace(PT_DENY_ATTACH, 0, nullptr, 0) == 0;
    return noCore && noAttach;
}
