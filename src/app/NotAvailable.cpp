#include "NotAvailable.h"

#include "MessageSeam.h"

void commandNotAvailable(const QString& command) {
    msgBox(QStringLiteral("%1 is not available in this version of the program yet.").arg(command), Msg::Ok,
           Msg::Information);
}
