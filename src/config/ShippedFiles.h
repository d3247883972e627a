#pragma once

#include <QString>
#include <QStringList>

// Files that ship inside the program: the example machine settings
// ("<title>.cfg") and the default completion word file ("fanuc.itc"). They
// are written into the program folder where they are missing, where a shop
// may then edit them; a file already there is never replaced.
namespace ShippedFiles {

QString wordFileName(); // "fanuc.itc"

// Writes every shipped file that the program folder lacks. The names of the
// files that could not be written; empty when all are there.
QStringList install();

} // namespace ShippedFiles
