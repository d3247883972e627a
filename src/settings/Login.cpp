#include "Login.h"

#include "FrmLogin.h"
#include "IniStorage.h"
#include "ProgramPaths.h"
#include "SettingsGlobals.h"

#include <QApplication>

namespace {
std::function<void()>& hideFindWindow() {
    static std::function<void()> hook;
    return hook;
}
} // namespace

void setHideFindWindowHook(std::function<void()> hook) { hideFindWindow() = std::move(hook); }

QString passwordFilePath() {
    return gPasswordIniPath.isEmpty() ? ProgramPaths::passwordFileName() : gPasswordIniPath;
}

QString storedPassword() {
    return readIniString(QStringLiteral("Main"), QStringLiteral("Password"), passwordFilePath());
}

QString decodePassword(const QString& stored, bool* ok) {
    QString out;
    out.reserve(stored.size());
    for (QChar c : stored) {
        if (c.unicode() < 5) {
            if (ok)
                *ok = false;
            return QString();
        }
        out += QChar(c.unicode() - 5);
    }
    if (ok)
        *ok = true;
    return out;
}

bool passwordAccepted(const QString& typed) {
    const QString stored = storedPassword();
    if (stored.isEmpty())
        return true;
    bool ok = false;
    const QString password = decodePassword(stored, &ok);
    // Typed text has always been matched in any case; a stored capital must
    // not make the password impossible to enter.
    return ok && password.compare(typed, Qt::CaseInsensitive) == 0;
}

bool checkLogin() {
    if (hideFindWindow())
        hideFindWindow()();
    if (storedPassword().isEmpty())
        return true;
    // Only this prompt's own OK may let the action through, never an answer
    // an earlier dialog left behind.
    gDialogResult.clear();
    FrmLogin dialog(QApplication::activeWindow());
    const int result = dialog.exec();
    return result == QDialog::Accepted && gDialogResult == QLatin1String("~");
}
