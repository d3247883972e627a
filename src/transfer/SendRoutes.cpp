#include "SendRoutes.h"

#include "SendHost.h"
#include "SendSession.h"
#include "XModemPanels.h"

#include <QMainWindow>

SendOutcome sendXmodem(SendSession& session, const QString& fileName, bool fromWindow, const QString& loggedAs) {
    SendHost& host = session.host();
    // An edited window goes as its temporary copy; the panel and the log name the window's file.
    const QString shown =
        fromWindow && fileName.contains(QLatin1String(".tmp"), Qt::CaseInsensitive) ? host.activeWindowFile() : fileName;
    auto* main = qobject_cast<QMainWindow*>(host.mainWindow());
    const XModemWindow window{main ? main->centralWidget() : nullptr, [&host](bool locked) { host.lockForTransfer(locked); }};
    switch (runXmodemSend(fileName, shown, fromWindow, window, loggedAs)) {
    case XModem::Outcome::Completed:
        return SendOutcome::Sent;
    case XModem::Outcome::Cancelled:
        return SendOutcome::Cancelled;
    case XModem::Outcome::NoPeer:
        return SendOutcome::TimedOut;
    case XModem::Outcome::FileError:
        return SendOutcome::NotSent;
    default:
        return SendOutcome::PortFailed;
    }
}
