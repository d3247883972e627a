#include "frmTerminal.h"

#include "EditorActions.h"
#include "IniStorage.h"
#include "MachineSettingsCheck.h"
#include "MachineRecord.h"
#include "SettingsProbe.h"
#include "TransferActions.h"
#include "TransferGlobals.h"
#include "frmSelectCNC.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QTabWidget>

void frmTerminal::loadMachineList(const MachineList& machines) {
    const QSignalBlocker block(cmbCNC_);
    cmbCNC_->clear();
    for (const MachineListEntry& machine : machines)
        cmbCNC_->addItem(machine.alias, machine.mark);
}

MachineList frmTerminal::machineList() const {
    MachineList list;
    for (int i = 0; i < cmbCNC_->count(); ++i)
        list.append({cmbCNC_->itemText(i), cmbCNC_->itemData(i).toInt()});
    return list;
}

void frmTerminal::seedVisibleCNC() {
    const QSignalBlocker block(cmbCNCVisible_);
    cmbCNCVisible_->clear();
    for (int i = 0; i < cmbCNC_->count(); ++i)
        if (cmbCNC_->itemData(i).toInt() == -1)
            cmbCNCVisible_->addItem(cmbCNC_->itemText(i), i);
}

void frmTerminal::selectMachine(int position, bool takePort) {
    if (position < 0 || position >= cmbCNC_->count())
        return;
    {
        const QSignalBlocker block(cmbCNC_);
        cmbCNC_->setCurrentIndex(position);
        // The selector shows the current machine, or nothing when it is hidden.
        const QSignalBlocker blockVisible(cmbCNCVisible_);
        cmbCNCVisible_->setCurrentIndex(cmbCNCVisible_->findData(position));
    }
    clickCNC_COMBO(takePort);
}

void frmTerminal::selectVisibleMachine(int row) {
    if (row < 0 || row >= cmbCNCVisible_->count())
        return;
    {
        const QSignalBlocker block(cmbCNCVisible_);
        cmbCNCVisible_->setCurrentIndex(row);
    }
    selectMachine(cmbCNCVisible_->itemData(row).toInt());
}

void frmTerminal::clickCNC_COMBO(bool takePort) {
    const int position = cmbCNC_->currentIndex();
    if (position < 0)
        return;
    gCurrentMachineSection = MachineRecord::sectionName(position + 1);
    // A send never uses another machine's flow control or code set.
    loadCurrentMachineValues();
    editor_->refreshRecentOpen();
    editor_->refreshRecentMenu(QStringLiteral("send"));
    editor_->refreshRecentMenu(QStringLiteral("receive"));
    setSendheaderMenus();
    showMachineName(cmbCNC_->itemText(position));
    // Said when the machine is chosen, once a run, before any send on them
    // is refused.
    nameImpossibleMachineSettings(namedSettings_);
    if (takePort)
        keepMachinePort();
    else
        transfers_->closeComPort();
}

// The port is the current machine's, open while its keep-alive says so: the
// lights never name another machine's port.
void frmTerminal::keepMachinePort() {
    if (gKeepAlive > 0)
        transfers_->openPortSilent();
    else
        transfers_->closeComPort();
}

// The name and the selector both show the machine's port settings.
void frmTerminal::showMachineName(const QString& alias) {
    lblStat(1)->setText(alias + QLatin1Char(' '));
    const QString settings = transfers_->portSettings();
    lblStat(1)->setToolTip(settings);
    cmbCNCVisible_->setToolTip(settings);
}

void frmTerminal::applyVisibility(const QVector<bool>& ticked) {
    IniBatch batch;
    for (int i = 0; i < cmbCNC_->count(); ++i) {
        const bool visible = ticked.value(i);
        cmbCNC_->setItemData(i, visible ? -1 : 0);
        writeIni(MachineRecord::sectionName(i + 1), QStringLiteral("Visible"),
                 visible ? QStringLiteral("-1") : QStringLiteral("0"));
    }
    if (!batch.commit())
        reportSettingsWriteFailure();
    // The first machine left visible becomes the current one.
    seedVisibleCNC();
    selectVisibleMachine(0);
}

void frmTerminal::showSelectCNC() {
    hourglassUntilShown();
    editor_->hideFindBox();
    frmSelectCNC picker(machineList(), cmbCNC_->currentIndex(), this);
    connect(&picker, &frmSelectCNC::machineChosen, this, [this](int row) { selectVisibleMachine(row); });
    connect(&picker, &frmSelectCNC::visibilityChosen, this, &frmTerminal::applyVisibility);
    picker.exec();
}

void frmTerminal::showVisibleCNC(bool firstRun) {
    frmVisibleCNC dialog(machineList(), cmbCNC_->currentIndex(), this);
    if (firstRun)
        dialog.setFirstRun();
    connect(&dialog, &frmVisibleCNC::visibilityChosen, this, &frmTerminal::applyVisibility);
    dialog.exec();
}

void frmTerminal::firstRunVisibility() {
    if (!firstRunChoicePending_)
        return;
    firstRunChoicePending_ = false;
    showVisibleCNC(true);
}

int frmTerminal::findFirstVisibleTab() const {
    for (int i = 1; i < SSTab1_->count(); ++i)
        if (SSTab1_->isTabVisible(i))
            return i;
    return SSTab1_->count() + 1;
}

void frmTerminal::afterMachineSettingsSaved() {
    const int position = cmbCNC_->currentIndex();
    if (position < 0)
        return;
    const QString alias = MachineRecord::current(QStringLiteral("Alias"));
    cmbCNC_->setItemText(position, alias);
    const int row = cmbCNCVisible_->findData(position);
    if (row >= 0)
        cmbCNCVisible_->setItemText(row, alias);
    showMachineName(alias);
    loadCurrentMachineValues();
    setSendheaderMenus();
    keepMachinePort();
}
