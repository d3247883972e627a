#include "frmTip.h"

#include "DialogSize.h"
#include "Help.h"
#include "IniStorage.h"
#include "MessageSeam.h"
#include "ShellOpen.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {
const char* const kTagProperty = "tag";
}

frmTip::frmTip(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmTip"));
    keepDialogSize(this);
    setWindowTitle(QStringLiteral("Service Pack Needed"));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("Image1"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);

    text1_ = new QPlainTextEdit(this);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setReadOnly(true);
    text1_->setMinimumSize(420, 160);

    dontWarn_ = new QCheckBox(QStringLiteral("&Don't Warn Me Again"), this);
    dontWarn_->setObjectName(QStringLiteral("chkLoadTipsAtStartup"));
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("cmdOK"));
    ok_->setDefault(true);
    command1_ = new QPushButton(QStringLiteral("Download"), this);
    command1_->setObjectName(QStringLiteral("Command1"));

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(text1_, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(dontWarn_);
    bottom->addStretch();
    bottom->addWidget(command1_);
    bottom->addWidget(ok_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);

    connect(ok_, &QPushButton::clicked, this, &frmTip::confirm);
    connect(command1_, &QPushButton::clicked, this, &frmTip::runCommand1);
}

void frmTip::setMessage(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text1_->setPlainText(t);
}

QString frmTip::message() const { return text1_->toPlainText(); }

void frmTip::setMarker(const QString& marker) { text1_->setProperty(kTagProperty, marker); }

QString frmTip::marker() const { return text1_->property(kTagProperty).toString(); }

QString frmTip::keyForMarker(const QString& marker) {
    if (marker.contains(QLatin1String("Settings")))
        return QStringLiteral("WarnIniSettings");
    if (marker.contains(QLatin1String("XModem")))
        return QStringLiteral("XModemWarn");
    return QStringLiteral("CheckServicePack");
}

void frmTip::confirm() {
    // A refused write is not reported: the warning simply comes again next time.
    writeIni(QStringLiteral("Settings"), keyForMarker(marker()), dontWarn_->isChecked() ? 1 : 0);
    accept();
}

void frmTip::runCommand1() {
    if (marker().contains(QLatin1String("XModem"))) {
        Q_EMIT command1Clicked();
        confirm();
        return;
    }
    if (!shellOpen(marker()))
        msgBox(QStringLiteral("There Is No Association For This File Type"), Msg::Ok, Msg::Exclamation);
}

void frmTip::keyPressEvent(QKeyEvent* event) {
    if (formHelpKey(objectName(), event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
