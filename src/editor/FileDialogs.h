#pragma once

#include <QString>
#include <QStringList>

// The file choosers of the editor and the senders, with the current
// machine's file-type filters and folders.

// Filter of the current machine's extension lists: 0 send, 1 receive, 2 both.
// Each extension once (compared without regard to case, the first spelling
// and description win), then "All Files".
QString buildFileFilter(int purpose);

// The open-file dialog for a purpose word ("SendDirectory", "Que", "*",
// "ReceiveDirectory", "ReceiveFanuc", "QueueSend", "QueueReceive", "AxisLoad",
// "AxisSave" or ""). Returns the chosen path; several chosen files come as the
// folder, NUL, and the names separated by NUL; empty when cancelled.
QString OpenCNCFile(const QString& purpose, const QString& title);

// The full paths of an OpenCNCFile answer, one or several.
QStringList splitChosenFiles(const QString& answer);

// The "Save As " dialog proposing `proposedName` (followed by "." and the
// extension when addExtension is set), with the send-extension filter. Asks
// before an existing file is overwritten. Empty when cancelled or refused.
QString saveAsDialog(const QString& proposedName, const QString& extension, bool addExtension);
