#include "TextCase.h"

char capitalByte(char c) {
    const uchar u = uchar(c);
    if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7))
        return char(u - 32);
    return c;
}

QByteArray capitaliseBytes(QByteArray text) {
    for (char& c : text)
        c = capitalByte(c);
    return text;
}

QByteArray ReverseCaps(QByteArray text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
        else if (c >= 'a' && c <= 'z')
            c = char(c - 32);
    }
    return text;
}
