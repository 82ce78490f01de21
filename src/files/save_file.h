#pragma once

#include <string_view>

#include <QString>

namespace grondel {

// The outcome of a save: an empty error means every byte reached the file.
struct SaveResult {
    QString error; // why the save failed, fit to show to a user

    bool ok() const { return error.isEmpty(); }
};

// Writes bytes to path as a whole or not at all: they go to a temporary file beside the target,
// which replaces the target only once everything is written. On failure the file at path is as
// it was and no temporary file is left behind. "-" is not special here.
SaveResult saveFileAtomically(const QString& path, std::string_view bytes);

} // namespace grondel
