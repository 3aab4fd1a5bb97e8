#pragma once

#include <QString>

// Tallyfern's own files, which no export may replace: everything in its data and settings folders,
// the background refresh's units, the autostart entry, and the editor's database it reads. Compared
// by device and inode, so a link, a hard link or a ".." path to one of them counts too.
namespace OwnFiles {

// Whether writing `fileName` would replace or add to one of them.
bool contains(const QString& fileName);

} // namespace OwnFiles
