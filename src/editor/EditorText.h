#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Small text and file-name rules of the editor.

// The block colour style of each byte of NC text: 1 .. 26 for a word that
// starts with "A" .. "Z" (the letter's colour), 0 for the text colour
// (comments in brackets, and pieces starting with a digit, "%" or lower case).
QByteArray blockStyles(QByteArrayView text);

// A Boolean as the settings file stores it: "True" (any case) or a non-zero number.
bool isTrueText(const QString& text);

// "a" .. "z" become capitals; every other code stays.
int CapitalsOnly(int code);
QString capitalsOnly(const QString& text);

// A program's bytes show as Latin-1: a character above U+00FF can be neither
// found nor written (it would be saved as "?"). The message that refuses
// `text`, with `what` as its first line and naming its first such character;
// empty when the text holds none.
QString unheldCharacterMessage(const QString& what, const QString& text);

// The text before the first ":"; the whole text when there is none.
QString getUpToColon(const QString& text);

// True when the path cannot be used to reach a file: not an absolute path,
// or its folder cannot be reached. Network paths ("//") are accepted.
bool notValidDrive(const QString& path);

// Each character a file name may not hold on any of the shop's systems
// becomes "!".
QString removeInvalidFileCharacters(const QString& name);
