#pragma once

#include <QByteArray>
#include <QString>

// Whole-file writes that readers in other processes see either complete or not at all: a
// temporary file beside the target, then a rename. A failed write leaves the old file whole.
namespace AtomicFile {

bool write(const QString& fileName, const QByteArray& bytes);

} // namespace AtomicFile
