#include "EditorFiles.h"

#include "IniStorage.h"
#include "MessageSeam.h"
#include "ProgramPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

bool fileHeadHasNul(const QString& path, qint64 window) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    return in.read(window).contains('\0');
}

bool removeNulsFromFile(const QString& path, QString* error) {
    QByteArray bytes;
    if (!readWholeFile(path, &bytes, error))
        return false;
    bytes.replace(QByteArray(1, '\0'), QByteArray());
    return writeFileSafely(path, bytes, error);
}

namespace {

// Hashed a piece at a time, each piece's hash the seed of the next, so a
// file on disk and a text in memory give the same value piece by piece.
constexpr qsizetype kStampPiece = 1 << 20;
constexpr size_t kStampSeed = 0x9e3779b97f4a7c15u;

size_t addPiece(size_t hash, QByteArrayView piece) {
    return qHash(piece, hash ^ kStampSeed);
}

} // namespace

FileStamp stampOf(QByteArrayView bytes) {
    FileStamp stamp;
    stamp.size = bytes.size();
    for (qsizetype at = 0; at < bytes.size(); at += kStampPiece)
        stamp.hash = addPiece(stamp.hash, bytes.sliced(at, qMin(kStampPiece, bytes.size() - at)));
    return stamp;
}

bool fileChangedSince(const QString& path, const FileStamp& stamp) {
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    if (info.size() != stamp.size)
        return true;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return true;
    size_t hash = 0;
    QByteArray piece(kStampPiece, Qt::Uninitialized);
    for (qint64 left = stamp.size; left > 0;) {
        const qint64 want = qMin<qint64>(kStampPiece, left);
        qint64 got = 0;
        for (qint64 n = 0; got < want && (n = in.read(piece.data() + got, want - got)) > 0;)
            got += n;
        if (got < want)
            return true; // shorter than it said: it is being written
        hash = addPiece(hash, QByteArrayView(piece.constData(), want));
        left -= want;
    }
    return hash != stamp.hash || !in.atEnd();
}

int storedNullOption() {
    bool ok = false;
    const int v = readIni(QStringLiteral("Warnings"), QStringLiteral("nullOpt"), QStringLiteral("1")).trimmed().toInt(&ok);
    return ok && v >= 0 && v <= 2 ? v : -1;
}

void storeNullOption(int option) { writeIni(QStringLiteral("Warnings"), QStringLiteral("nullOpt"), option); }

namespace {
SettingsWarningShower& warningShower() {
    static SettingsWarningShower shower;
    return shower;
}
} // namespace

void setSettingsWarningShower(SettingsWarningShower shower) {
    warningShower() = std::move(shower);
}

bool chkCanWIni() {
    // A file kept in memory takes the probe, but not onto the disk.
    if (settingsKeptInMemory()) {
        warnSettingsNotWritable(settingsKeptReason());
        return false;
    }
    const QString probe = makeRandomKeyString();
    if (writeIni(QStringLiteral("Settings"), QStringLiteral("chkCanWrite"), probe) &&
        readIni(QStringLiteral("Settings"), QStringLiteral("chkCanWrite"), QString()) == probe)
        return true;
    warnSettingsNotWritable();
    return false;
}

void warnSettingsNotWritable(const QString& reason) {
    if (readIni(QStringLiteral("Settings"), QStringLiteral("WarnIniSettings"), QStringLiteral("0")) !=
        QLatin1String("0"))
        return;
    const QString caption = QStringLiteral("Can't Write To Settings File **Warning**");
    const QString text = ProgramPaths::appTitle() + QStringLiteral(" cannot write to its settings file\n") +
                         settingsWriteFailure(reason.isEmpty() ? lastIniError() : reason,
                                              QStringLiteral("Settings you change now will not be kept."));
    if (warningShower())
        warningShower()(caption, text);
    else
        msgBox(caption + QLatin1Char('\n') + text, Msg::Ok, Msg::Exclamation);
}
