#pragma once

#include <QString>

class QFontMetrics;

// Routes msgBox and inputBox to real dialogs. The program installs this at
// start-up; tests install their own script instead.
void installMessageBoxUi();

// `text` in at most `width`: a path's folders are shortened in their middle
// and its file name, what follows the last "/", stays whole while it fits;
// beyond that both ends of the whole text show.
QString shortenKeepingEnd(const QString& text, const QFontMetrics& metrics, int width);
