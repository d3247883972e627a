#include "XModemCopy.h"

#include "CodeList.h"
#include "XModem.h"

#include <QFile>

int xmodemPadCode(const QString& padText) {
    bool isNumber = false;
    const int code = padText.trimmed().toInt(&isNumber);
    return isNumber && code >= 0 && code <= 255 ? code : 32;
}

XModemCopy formatXmodemCopy(qint64 length, const QString& headerSend, const QString& trailerSend,
                            const QString& padText) {
    const auto characters = [](const QString& list) {
        const CodeList::Parsed parsed = CodeList::parse(list);
        return parsed.ok ? parsed.bytesOnly() : QByteArray();
    };
    XModemCopy copy;
    copy.head = characters(headerSend);
    copy.tail = characters(trailerSend);
    const qint64 used = (copy.head.size() + length + copy.tail.size()) % XModem::kBlockSize;
    if (used > 0)
        copy.tail += QByteArray(int(XModem::kBlockSize - used), char(xmodemPadCode(padText)));
    copy.needed = !copy.head.isEmpty() || !copy.tail.isEmpty();
    return copy;
}

bool writeXmodemCopy(const QString& source, const XModemCopy& copy, const QString& target, QString* error,
                     const std::function<void(int percent)>& progress) {
    QFile in(source);
    QFile out(target);
    const auto failed = [error](const QFile& f) {
        if (error)
            *error = f.fileName() + QLatin1Char('\n') + f.errorString();
        return false;
    };
    if (!in.open(QIODevice::ReadOnly))
        return failed(in);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return failed(out);
    if (out.write(copy.head) != copy.head.size())
        return failed(out);
    QByteArray piece(64 * 1024, Qt::Uninitialized);
    const qint64 length = in.size();
    qint64 copied = 0;
    for (;;) {
        const qint64 n = in.read(piece.data(), piece.size());
        if (n < 0)
            return failed(in);
        if (n == 0)
            break;
        if (out.write(piece.constData(), n) != n)
            return failed(out);
        copied += n;
        if (progress)
            progress(int(copied * 100 / qMax<qint64>(length, copied)));
    }
    if (out.write(copy.tail) != copy.tail.size() || !out.flush())
        return failed(out);
    return true;
}

bool trimXmodemPad(const QString& file, QString* error) {
    QFile f(file);
    if (!f.open(QIODevice::ReadWrite)) {
        if (error)
            *error = file + QLatin1Char('\n') + f.errorString();
        return false;
    }
    const qint64 size = f.size();
    const qint64 lastBlock = qMax<qint64>(0, size - XModem::kBlockSize);
    f.seek(lastBlock);
    const QByteArray last = f.read(size - lastBlock);
    qint64 keep = last.size();
    while (keep > 0 && last[int(keep - 1)] == char(26))
        --keep;
    if (keep < last.size() && !f.resize(lastBlock + keep)) {
        if (error)
            *error = file + QLatin1Char('\n') + f.errorString();
        return false;
    }
    return true;
}
