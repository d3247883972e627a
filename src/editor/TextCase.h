#pragma once

#include <QByteArray>

// Letter case of NC text, one byte for one byte, so a program keeps its
// length and every byte stays savable (no "SS" for the sharp s, no letter
// outside Latin-1).

// a-z and à-þ (but ÷) become their capitals; every other byte stays, ß ÿ µ too.
char capitalByte(char c);
QByteArray capitaliseBytes(QByteArray text);

// A-Z and a-z swap case; every other byte stays.
QByteArray ReverseCaps(QByteArray text);
