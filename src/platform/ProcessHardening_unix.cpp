#include "ProcessHardening.h"

#include <sys/prctl.h>
#include <sys/resource.h>

bool ProcessHardening::keepMemoryPrivate()
{
    // Not dumpable: the kernel writes no core, neither to a file nor to a core_pattern pipe (which
    // ignores the size limit), and only a privileged process may ptrace this one. The zero core size
    // is a second lock, the one `ulimit -c` and crash collectors see; hard as well as soft, so that
    // nothing in the process raises it again.
    const bool undumpable = ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    const rlimit none{0, 0};
    const bool noCore = ::setrlimit(RLIMIT_CORE, &none) == 0;
    return undumpable && noCore;
}
