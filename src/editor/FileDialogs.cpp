#include "FileDialogs.h"

#include "EditorGlobals.h"
#include "EditorText.h"
#include "FileStuff.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "ProgramPaths.h"

#include <QFileInfo>
#include <QSet>

namespace {

QString withoutTrailingSlash(QString folder) {
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

// Windows matches extensions without regard to case; offer the usual spellings.
QString patternsFor(const QString& ext) {
    QStringList p;
    for (const QString& e : {ext, ext.toUpper(), ext.toLower()})
        if (!p.contains(QStringLiteral("*.") + e))
            p << QStringLiteral("*.") + e;
    return p.join(QLatin1Char(' '));
}

const QString kAllFiles = QStringLiteral("All Files (*)");

enum class Selection { Single, Multiple };
enum class Existing { MustExist, MayBeNew };

struct PurposeRule {
    QString filter;
    QString startFolder;
    Selection selection = Selection::Single;
    Existing existing = Existing::MustExist;
};

PurposeRule ruleFor(const QString& purpose) {
    const bool useFolders = isTrueText(MachineRecord::current(QStringLiteral("DefaultToDirectories")));
    const QString sendFolder = useFolders ? MachineRecord::current(QStringLiteral("SendDirectory")) : QString();
    const QString programFolder = ProgramPaths::programFolder();
    PurposeRule r;
    if (purpose == QLatin1String("SendDirectory") || purpose == QLatin1String("Que")) {
        r = {buildFileFilter(0), sendFolder, Selection::Multiple, Existing::MustExist};
    } else if (purpose == QLatin1String("*")) {
        r = {buildFileFilter(2), sendFolder, Selection::Multiple, Existing::MustExist};
    } else if (purpose == QLatin1String("ReceiveDirectory")) {
        r = {buildFileFilter(1), useFolders ? MachineRecord::current(QStringLiteral("ReceiveDirectory")) : QString(),
             Selection::Single, Existing::MayBeNew};
    } else if (purpose == QLatin1String("ReceiveFanuc")) {
        r = {buildFileFilter(1), QString(), Selection::Single, Existing::MayBeNew};
    } else if (purpose == QLatin1String("QueueSend") || purpose == QLatin1String("QueueReceive")) {
        r = {QStringLiteral("Queue Files (*.QUE *.que)"), programFolder, Selection::Single,
             purpose == QLatin1String("QueueSend") ? Existing::MustExist : Existing::MayBeNew};
    } else if (purpose == QLatin1String("AxisLoad") || purpose == QLatin1String("AxisSave")) {
        r = {QStringLiteral("Axis Files (*.AXS *.axs)"), programFolder, Selection::Single,
             purpose == QLatin1String("AxisLoad") ? Existing::MustExist : Existing::MayBeNew};
    } else {
        // The empty word, and any word no caller passes: a text file that exists.
        r = {QStringLiteral("Text Files (*.TXT *.txt);;") + kAllFiles, QString(), Selection::Single,
             Existing::MustExist};
    }
    return r;
}

// Where the platform dialog would start: the folder and file last chosen.
QString& lastFolder() {
    static QString folder;
    return folder;
}
QString& lastFile() {
    static QString file;
    return file;
}

void remember(const QString& path) {
    lastFolder() = withoutTrailingSlash(getPathOnly(path));
    lastFile() = getFileNameFromPath(path);
}

} // namespace

QString buildFileFilter(int purpose) {
    QStringList families;
    if (purpose == 0 || purpose == 2)
        families << QStringLiteral("SendExtension");
    if (purpose == 1 || purpose == 2)
        families << QStringLiteral("ReceiveExtension");
    QStringList pairs;
    QSet<QString> taken;
    for (const QString& family : families) {
        for (int n = 1; n <= 6; ++n) {
            const QString ext = MachineRecord::current(family + QString::number(n)).trimmed();
            if (ext.isEmpty() || taken.contains(ext.toUpper()))
                continue;
            taken.insert(ext.toUpper());
            const QString desc = MachineRecord::current(family + QStringLiteral("Type") + QString::number(n));
            pairs << QStringLiteral("%1 (%2)").arg(desc, patternsFor(ext));
        }
    }
    pairs << kAllFiles;
    return pairs.join(QStringLiteral(";;"));
}

QString OpenCNCFile(const QString& purpose, const QString& title) {
    hideFindForm();
    const PurposeRule rule = ruleFor(purpose);
    Msg::FileRequest request;
    request.title = title;
    request.filter = rule.filter;
    if (rule.selection == Selection::Multiple)
        request.kind = Msg::FileRequest::OpenFiles;
    else
        request.kind = rule.existing == Existing::MayBeNew ? Msg::FileRequest::SaveFile : Msg::FileRequest::OpenFile;

    for (;;) {
        if (title.contains(QLatin1String("break"))) {
            const QString last = MachineRecord::current(QStringLiteral("lastfilesent"));
            request.fileName = fileExists(last) ? last : lastFile();
            request.startFolder = rule.startFolder.isEmpty() ? lastFolder() : rule.startFolder;
        } else if (title.contains(QLatin1String("Fanuc"))) {
            request.fileName = lastFile();
            request.startFolder = lastFolder();
        } else {
            request.fileName.clear();
            request.startFolder = rule.startFolder.isEmpty() ? lastFolder() : rule.startFolder;
        }

        const QStringList chosen = fileDialog(request);
        if (chosen.isEmpty())
            return QString();
        remember(chosen.first());
        if (chosen.size() > 1) {
            QStringList parts{withoutTrailingSlash(getPathOnly(chosen.first()))};
            for (const QString& f : chosen)
                parts << getFileNameFromPath(f);
            return parts.join(QChar(0));
        }
        const QString path = chosen.first();
        if (anyFileExists(path)) {
            if (rule.existing == Existing::MustExist)
                return path;
            if (msgBox(path + QStringLiteral(" Already Exists : OK To OverWrite It?"), Msg::YesNo, Msg::Question) ==
                Msg::AnswerYes)
                return path;
        } else if (rule.existing == Existing::MayBeNew) {
            if (msgBox(path + QStringLiteral(" Does Not Exist : OK To Create It?"), Msg::YesNo, Msg::Question) ==
                Msg::AnswerYes)
                return path;
        } else {
            msgBox(path + QStringLiteral(" Does Not Exist!"), Msg::Ok, Msg::Exclamation);
        }
    }
}

QStringList splitChosenFiles(const QString& answer) {
    if (answer.isEmpty())
        return {};
    if (!answer.contains(QChar(0)))
        return {answer};
    const QStringList items = answer.split(QChar(0), Qt::SkipEmptyParts);
    QStringList paths;
    const QString folder = withBackslash(items.value(0));
    for (int i = 1; i < items.size(); ++i)
        paths << folder + items[i];
    return paths;
}

QString saveAsDialog(const QString& proposedName, const QString& extension, bool addExtension) {
    Msg::FileRequest request;
    request.kind = Msg::FileRequest::SaveFile;
    request.title = QStringLiteral("Save As ");
    request.filter = buildFileFilter(0);
    request.fileName = addExtension && !extension.isEmpty() ? proposedName + QLatin1Char('.') + extension
                                                            : proposedName;
    if (!request.fileName.contains(QLatin1Char('/')))
        request.startFolder = lastFolder();
    const QStringList chosen = fileDialog(request);
    if (chosen.isEmpty())
        return QString();
    const QString path = chosen.first();
    remember(path);
    if (anyFileExists(path) &&
        msgBox(QStringLiteral("The File ") + path + QStringLiteral(" Already Exists...\nDo You Want To Overwrite It...?"),
               Msg::YesNo, Msg::Question) != Msg::AnswerYes)
        return QString();
    return path;
}
