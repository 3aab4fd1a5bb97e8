#pragma once

#include <QString>

#include <optional>

#include <sys/types.h>
#include <time.h>

// What identifies one version of a file: a save is an atomic rename (new inode), and an in-place
// edit changes the size or the modification time. Read the platform's way (FileIdentity_unix.cpp,
// FileIdentity_apple.cpp: the two name the stat times differently).
struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileIdentity& other) const
    {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
               changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }

    // Nothing when the file cannot be looked at.
    static std::optional<FileIdentity> of(const QString& path);
};
