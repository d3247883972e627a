#include "FileStuff.h"

#include "MessageSeam.h"
#include "ProgramPaths.h"
#include "SettingsGlobals.h"
#include "StatusLine.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cmath>
#include <limits>

#include <fcntl.h>
#include <unistd.h>

QString addBackslash(QString& path) {
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

QString withBackslash(const QString& path) {
    QString p = path;
    return addBackslash(p);
}

QString getPathOnly(const QString& path) {
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

QString getFileNameFromPath(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

QString getFileTitle(const QString& path, bool withExtension) {
    QString name = getFileNameFromPath(path);
    if (!withExtension) {
        const int dot = name.indexOf(QLatin1Char('.'));
        if (dot >= 0)
            name.truncate(dot);
    }
    return name;
}

QString getExtension(const QString& path) {
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : path.mid(dot + 1);
}

QString cutAtNull(const QString& text) {
    const int nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

QString getSystemDir() { return QStringLiteral("/etc/"); }

QString getTempFileName(const QString& prefix) {
    const QString folder = ProgramPaths::programFolder();
    const QString pre = prefix.left(3);
    // O_EXCL makes the name ours; there is no upper limit on the numbers tried.
    for (int attempt = 0; attempt < 100000; ++attempt) {
        const quint32 n = QRandomGenerator::global()->generate();
        const QString path = folder + pre + QString::number(n, 16).toUpper() + QStringLiteral(".TMP");
        const int fd = ::open(QFile::encodeName(path).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST)
            return QString();
    }
    return QString();
}

bool fileExists(const QString& path) {
    return anyFileExists(path) && !QFileInfo(path).isHidden();
}

bool anyFileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

int shellFileOperation(int /*flags*/, const QStringList& files) {
    int failed = 0;
    for (const QString& f : files)
        if (!QFile::moveToTrash(f))
            ++failed;
    return failed;
}

QString cutForMessage(const QString& text, int most) {
    return text.size() <= most ? text : text.left(most) + QStringLiteral("...");
}

QString replaceAll(const QString& text, const QString& find, const QString& replacement) {
    if (find.isEmpty())
        return text;
    int pos = text.indexOf(find);
    if (pos < 0)
        return text;
    const bool report = text.size() > 32000;
    QString out;
    out.reserve(text.size());
    int from = 0;
    int reported = 0;
    while (pos >= 0) {
        out += QStringView(text).mid(from, pos - from);
        out += replacement;
        from = pos + find.size();
        // Report now and then: a status line per replacement would cost more than the work.
        if (report && out.size() - reported > 32000) {
            reported = out.size();
            statusbar(QStringLiteral("Processing File %1 of %2").arg(out.size()).arg(text.size()));
        }
        pos = text.indexOf(find, from);
    }
    out += QStringView(text).mid(from);
    return out;
}

QStringList splitItems(const QString& text, const QString& delimiter) {
    QStringList items;
    if (text.isEmpty())
        return items;
    if (delimiter.isEmpty())
        return {text};
    int pos = 0;
    while (pos < text.size()) {
        const int at = text.indexOf(delimiter, pos);
        if (at < 0)
            break;
        items << text.mid(pos, at - pos);
        pos = at + 1; // the search goes on one character after the delimiter's start
    }
    if (pos < text.size())
        items << text.mid(pos);
    return items;
}

int splitToArray(const QString& text, const QString& delimiter) {
    gSplitResult = QStringList{QString()} + splitItems(text, delimiter);
    return gSplitResult.size() - 1;
}

QString intPartOfNumberString(const QString& value) {
    QString v = value;
    int dot = v.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        v.truncate(dot);
    int comma = v.indexOf(QLatin1Char(','));
    if (comma >= 0)
        v.truncate(comma);
    return v;
}

QString emptyStub(const QString&, const QString&) { return QString(); }

bool validExtensionChars(int k) {
    if ((k >= 'A' && k <= 'Z') || (k >= 'a' && k <= 'z') || (k >= '0' && k <= '9'))
        return true;
    if (k == 32 || k == 42 || k == 8 || k == 63)
        return true;
    msgBox(QStringLiteral("You Must Only Choose Valid Characters"), Msg::Ok, Msg::Information);
    gMsgResult = QString::number(Msg::AnswerOk);
    return false;
}

double leadingNumber(const QString& text) {
    const QString t = text.trimmed();
    int i = 0;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
        ++i;
    while (i < t.size() && t[i].isDigit())
        ++i;
    if (i < t.size() && t[i] == QLatin1Char('.')) {
        ++i;
        while (i < t.size() && t[i].isDigit())
            ++i;
    }
    bool ok = false;
    const double v = t.left(i).toDouble(&ok);
    return ok ? v : 0.0;
}

namespace {
template <typename T> T clampTo(double v) {
    if (std::isnan(v))
        return 0;
    // The limits as doubles: the upper one rounds up to a power of two,
    // which is itself out of range.
    constexpr double low = double(std::numeric_limits<T>::min());
    constexpr double high = double(std::numeric_limits<T>::max());
    if (v <= low)
        return std::numeric_limits<T>::min();
    if (v >= high)
        return std::numeric_limits<T>::max();
    return T(v);
}
} // namespace

int clampToInt(double v) {
    return clampTo<int>(v);
}
qint64 clampToInt64(double v) {
    return clampTo<qint64>(v);
}
int leadingInt(const QString& text) {
    return clampToInt(leadingNumber(text));
}
