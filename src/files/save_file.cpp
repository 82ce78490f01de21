#include "files/save_file.h"

#include <QFileInfo>
#include <QSaveFile>

namespace grondel {

SaveResult saveFileAtomically(const QString& path, std::string_view bytes) {
    if (path.isEmpty())
        return {QStringLiteral("No file name was given.")};
    // QSaveFile would try to rename over a folder, and would swap a device or pipe for a plain
    // file: neither is what anyone saving a model means.
    const QFileInfo target(path);
    if (target.isDir())
        return {QStringLiteral("%1 is a folder.").arg(path)};
    if (target.exists() && !target.isFile())
        return {QStringLiteral("%1 is not a regular file.").arg(path)};

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {file.errorString()};
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size) {
        QString reason = file.errorString();
        file.cancelWriting();
        return {reason};
    }
    if (!file.commit())
        return {file.errorString()};
    return {};
}

} // namespace grondel
