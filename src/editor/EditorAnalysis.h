#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// The end of block a machine uses, from the bytes it sent: the convention
// most line ends follow, each line end matched longest first as LF CR CR,
// CR LF, LF CR, CR, LF (ties go to the earlier of these). "Name~code", the
// code being the EOBSend list position; text without a line end gives "CR\LF~0".
QString detectEOB(QByteArrayView received);

// Proposes detectEOB's convention for what the machine sent and, on Yes,
// stores it as the current machine's EOBSend for the sends to come.
void analyseEndOfBlock(QByteArrayView received);

// The completion words of `key` ("G?") in a word file: the lines after the
// header line equal to the key (spaces trimmed, any case) up to a line "!",
// blank lines skipped, each less its first key.size() characters.
QStringList readIntelliWords(const QByteArray& wordFile, const QString& key);
