#pragma once

// What a process that holds a session token does before it reads one.
namespace ProcessHardening {

// Keeps the process's memory, and the tokens in it, to itself: no core dump is written when it
// crashes (neither a file nor one handed to a crash collector such as systemd-coredump), and other
// processes of the same user cannot attach to it with a debugger. Lasts for the process's life.
// False when the system refused a part of it; the process goes on either way.
bool keepMemoryPrivate();

} // namespace ProcessHardening
