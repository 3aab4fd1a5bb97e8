#pragma once

#include <QByteArray>
#include <QString>

// Whole-file writes that readers in other processes see either complete or not at all: a
// temporary file beside the target, then a rename. A failed write leaves the old file whole.
// Everything written here is the user's alone: files 0600, folders 0700, whatever the umask.
namespace AtomicFile {

// A temporary copy ("<name>.XXXXXX") this old is left over from a save that was killed; a younger
// one may belong to another process saving right now.
inline constexpr int staleCopySeconds = 10 * 60;

// One of our own files: removes its stale temporary copies when it lies in our support or
// settings folder, then writes it as writeNamed does.
bool write(const QString& fileName, const QByteArray& bytes);

// Any file, such as one the user named: written with mode 0600 (also when an older file had a
// wider one), and nothing else in its folder touched. A target that exists and is not a regular
// file (a folder, a pipe, a dangling link) is refused before anything changes. False when the
// file was not replaced.
bool writeNamed(const QString& fileName, const QByteArray& bytes);

// Creates the folder and its parents when missing, and makes the folder itself 0700 either way.
bool makePrivateFolder(const QString& path);

// `base` when nothing has that name, else `base` with "-2", "-3"… appended: a file set aside never
// takes the place of another.
QString unusedName(const QString& base);

// Sets an existing file to 0600; false when it is missing or its mode cannot be changed.
bool makePrivate(const QString& fileName);

// Removes "<fileName>.XXXXXX" files (six characters after the dot) older than staleCopySeconds,
// only when the file lies in our support or settings folder: elsewhere such names are the user's.
void removeStaleCopies(const QString& fileName);

} // namespace AtomicFile
