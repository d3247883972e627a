#include "Login.h"

#include "IniStorage.h"
#include "ProgramPaths.h"

// Until the password prompt exists, a set password refuses.
bool checkLogin() {
    return readIniString(QStringLiteral("Main"), QStringLiteral("Password"), ProgramPaths::passwordFileName())
        .isEmpty();
}
