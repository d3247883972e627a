#include "ShippedFiles.h"

#include "ExampleSettings.h"
#include "FileStuff.h"
#include "ProgramPaths.h"
#include "SafeFile.h"

#include <QFile>
#include <utility>

namespace ShippedFiles {

QString wordFileName() { return QStringLiteral("fanuc.itc"); }

QStringList install() {
    const std::pair<QString, QString> files[] = {
        {QStringLiteral(":/shipped/Feedline.cfg"), ExampleSettings::filePath()},
        {QStringLiteral(":/shipped/fanuc.itc"), ProgramPaths::programFolder() + wordFileName()},
    };
    QStringList failed;
    for (const auto& [resource, target] : files) {
        if (fileExists(target))
            continue;
        QFile shipped(resource);
        if (!shipped.open(QIODevice::ReadOnly) || !writeFileSafely(target, shipped.readAll()))
            failed << target;
    }
    return failed;
}

} // namespace ShippedFiles
