#pragma once

#include <QString>
#include <QStringList>

// Stored port settings of a machine that the settings dialog could never have
// written (a port number below 0, a speed beyond the list): each as
// "Key=value", in the order of the dialog. Missing keys take their defaults
// and are not listed.
QStringList impossiblePortSettings(const QString& section);

// Says the current machine's impossible port settings that `named` does not
// hold yet, and adds them to it: each is named once for as long as `named` lives.
void nameImpossiblePortSettings(QStringList& named);
