#include "converter/check.h"

#include "model3do/model_check.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace grondel::cli {

int check(const QStringList& models, QTextStream& report, QTextStream& errors,
          CheckOptions options) {
    // Far beyond any model the game takes; keeps a wrong argument from filling memory.
    constexpr qint64 kMaxModelBytes = 256 * 1024 * 1024;
    int status = kExitConverted;
    for (const QString& path : models) {
        QFile file(path);
        if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
            errors << kProgram << ": " << path << ": cannot read it ("
                   << (QFileInfo(path).isDir() ? QStringLiteral("a folder") : file.errorString())
                   << ")" << Qt::endl;
            status = kExitFailed;
            continue;
        }
        const QByteArray text = file.read(kMaxModelBytes + 1);
        if (text.size() > kMaxModelBytes) {
            errors << kProgram << ": " << path << ": larger than any model the game reads"
                   << Qt::endl;
            status = kExitFailed;
            continue;
        }
        const ModelCheck result =
            checkModel(std::string_view(text.constData(), text.size()), options);
        if (result.ok()) {
            report << path << ": ok (" << result.meshes << " meshes, " << result.vertices
                   << " vertices, " << result.faces << " faces)\n";
            continue;
        }
        for (const ModelProblem& problem : result.problems)
            report << path << ':' << problem.line << ": " << QString::fromStdString(problem.text)
                   << '\n';
        status = kExitFailed;
    }
    report.flush();
    return status;
}

} // namespace grondel::cli
