#include "TestHome.h"

#include "IniStorage.h"
#include "IniStore.h"
#include "ProgramPaths.h"

#include <QDir>
#include <QFile>

TestHome::TestHome() : dir_(std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/feedline-test-XXXXXX"))) {
    qputenv("FEEDLINE_HOME", QFile::encodeName(dir_->path()));
    ProgramPaths::reset();
    IniStore::instance().clearCache();
    initSettingsPath();
}

TestHome::~TestHome() {
    IniStore::instance().clearCache();
    ProgramPaths::reset();
}

QString TestHome::path() const { return dir_->path() + QLatin1Char('/'); }
QString TestHome::file(const QString& name) const { return path() + name; }
QString TestHome::iniPath() const { return ProgramPaths::settingsFileName(); }

void TestHome::writeIni(const QByteArray& contents) const { writeAllBytes(iniPath(), contents); }
QByteArray TestHome::readIniBytes() const { return readAllBytes(iniPath()); }

QByteArray readAllBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

bool writeAllBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool whole = f.write(bytes) == bytes.size();
    f.close();
    // A test's file stands for what is there when the next step starts: the
    // store sees it at once, not a moment later as it sees other programs.
    IniStore::instance().noteReplaced(path);
    return whole;
}
