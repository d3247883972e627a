#include "frmLogFile.h"

#include "EditControl.h"
#include "FileStuff.h"
#include "Help.h"
#include "IniStorage.h"
#include "Language.h"
#include "MessageSeam.h"
#include "NetworkHandoff.h"
#include "SendEngine.h"
#include "SendHost.h"
#include "TransferLog.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
// A stored size of any length does not overflow.
int px(int twips) { return int((qint64(twips) * 2 + 15) / 30); }
int twips(int pixels) { return pixels * 15; }

const QString kSettings = QStringLiteral("Settings");
} // namespace

frmLogFile::frmLogFile(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmLogFile"));
    setModal(true);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("lvDragDrop"));
    list_->setHeaderLabels({QStringLiteral("CNC"), QStringLiteral("Action"), QStringLiteral("Filename"), QStringLiteral("Date")});
    list_->setRootIsDecorated(false);
    list_->setSortingEnabled(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setAllColumnsShowFocus(true);
    list_->header()->setSectionsClickable(true);
    connect(list_->header(), &QHeaderView::sectionClicked, this, &frmLogFile::lvDragDrop_ColumnClick);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { repeatAction(); });

    picture1_ = new QWidget(this);
    picture1_->setObjectName(QStringLiteral("Picture1"));
    auto* row = new QHBoxLayout(picture1_);
    row->addStretch(1);
    const char* const captions[] = {"Clear Logfile", "Repeat Action", "Cancel"};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QPushButton(QString::fromLatin1(captions[i]), picture1_);
        button->setObjectName(QStringLiteral("Command1(%1)").arg(i));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        buttons_ << button;
        row->addWidget(button);
    }
    row->addStretch(1);

    auto* column = new QVBoxLayout(this);
    column->addWidget(list_, 1);
    column->addWidget(picture1_);

    Form_Load();
    applyLanguage(this);
}

void frmLogFile::Form_Load() {
    logPath_ = transferLogPath();
    if (!fileExists(logPath_)) {
        setWindowTitle(QStringLiteral("0 Items In Logfile"));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QWidget* main = sendHost().mainWindow();
    const int defaultW = main ? twips(main->width()) - 200 : 9000;
    const int defaultH = main ? twips(main->height()) - 200 : 6000;
    const int w = readIniInt(kSettings, QStringLiteral("LFormW"), defaultW);
    const int h = readIniInt(kSettings, QStringLiteral("LFormH"), defaultH);
    resize(qMax(px(w), 300), qMax(px(h), 200));

    QFile log(logPath_);
    if (!log.open(QIODevice::ReadOnly)) {
        list_->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("Error Loading ") + logPath_}));
    } else {
        const QList<QByteArray> lines = log.readAll().split('\n');
        if (log.error() != QFileDevice::NoError)
            list_->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("Error Loading ") + logPath_}));
        for (const QByteArray& line : lines) {
            LogEntry entry;
            // The file name is taken whole, " - " and "- " inside it included.
            if (parseLogLine(QString::fromUtf8(line), &entry))
                list_->addTopLevelItem(new QTreeWidgetItem({entry.cnc, entry.action, entry.fileName, entry.date}));
        }
    }
    const int count = list_->topLevelItemCount();
    if (count > 0) {
        for (int c = 0; c < 4; ++c)
            list_->resizeColumnToContents(c);
        QTreeWidgetItem* last = list_->topLevelItem(count - 1);
        list_->setCurrentItem(last);
        list_->scrollToItem(last);
    }
    setWindowTitle(QStringLiteral("Log File %1 Entries...").arg(count));
    QApplication::restoreOverrideCursor();
}

void frmLogFile::Command1_Click(int index) {
    switch (index) {
    case 0:
        clearLogfile();
        break;
    case 1:
        repeatAction();
        break;
    case 2:
        reject();
        break;
    default:
        break;
    }
}

void frmLogFile::clearLogfile() {
    if (!fileExists(logPath_)) {
        msgBox(QStringLiteral("Log File Does Not Exist"));
        return;
    }
    if (msgBox(QStringLiteral("Ok To Delete Logfile"), Msg::YesNo, Msg::Question) != Msg::AnswerYes)
        return;
    QFile log(logPath_);
    if (!log.remove()) {
        msgBox(log.errorString());
        return;
    }
    list_->clear();
    setWindowTitle(QStringLiteral("No Log File"));
}

void frmLogFile::repeatAction() {
    if (list_->topLevelItemCount() == 0) {
        msgBox(QStringLiteral("No Items In Log File"));
        return;
    }
    const QTreeWidgetItem* item = list_->currentItem();
    if (!item)
        item = list_->topLevelItem(list_->topLevelItemCount() - 1);
    SendHost& host = sendHost();
    if (!host.selectMachineByAlias(item->text(0))) {
        msgBox(QStringLiteral("Cant Find That CNC In The List"));
        QApplication::setOverrideCursor(Qt::WaitCursor);
        host.showSelectCNC();
        QApplication::restoreOverrideCursor();
    }
    QCoreApplication::processEvents();
    const QString action = item->text(1);
    const QString file = item->text(2);
    hide();
    QCoreApplication::processEvents();

    if (action == QLatin1String(kActionSend)) {
        QString path = file;
        int line = 0;
        if (host.activeEditor() && host.activeWindowFile() == file)
            sendTextBlock(path, true, line);
        else
            sendFileNoWindow(path);
    } else if (action == QLatin1String(kActionReceive)) {
        host.receiveFileToDisk(false, file);
    } else if (action.contains(QLatin1String("FTP Upload")) || action.contains(QLatin1String("FTP Download"))) {
        const QString direction = action.contains(QLatin1String("FTP Upload")) ? QStringLiteral("U") : QStringLiteral("D");
        const NetworkHandoff::HelperCommand command = NetworkHandoff::buildFtpCommand(QStringLiteral("FTP"), direction, file);
        if (command.isEmpty())
            msgBox(QStringLiteral("Can't Repeat This FTP Transfer: The FTP Program Or The File Is Missing"));
        else if (!NetworkHandoff::startHelper(command))
            msgBox(QStringLiteral("Failed To Shell FTP Program"));
    } else {
        msgBox(QStringLiteral("Unable To Do This"));
    }
    accept();
}

void frmLogFile::lvDragDrop_ColumnClick(int column) { list_->resizeColumnToContents(column); }

void frmLogFile::keyPressEvent(QKeyEvent* event) {
    if (formHelpKey(objectName(), event))
        return;
    QDialog::keyPressEvent(event);
}

void frmLogFile::done(int result) {
    writeIniValues(kSettings, {{QStringLiteral("LFormW"), QString::number(twips(width()))},
                               {QStringLiteral("LFormH"), QString::number(twips(height()))}});
    QDialog::done(result);
}
