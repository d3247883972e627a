#pragma once

#include "SystemSettings.h"

#include <QDialog>
#include <QList>
#include <QString>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

// "Global Program Settings": fonts, colours, block colours, status display,
// behaviour while sending, printing, caption translation, and the settings
// backups. Nothing reaches the settings file before OK, which checks the
// font size, writes every key in one write and applies them at once. The
// backup tab acts at once, independent of OK and Cancel.
class frmSystem : public QDialog {
    Q_OBJECT
public:
    // What OK changes in the main window besides the editor windows.
    struct MainWindowParts {
        QPlainTextEdit* terminal = nullptr;
        QWidget* completionList = nullptr; // takes the font size of "Change Fonts"
        QList<QWidget*> breakoutLights;
        QAction* languageMenu = nullptr;
    };

    explicit frmSystem(MainWindowParts parts, QWidget* parent = nullptr);

    // Writes and applies every setting; false (nothing written or applied,
    // the dialog stays open) when the font size is refused or the file
    // cannot be written.
    bool applyColours();

    void Command1_Click(int index); // 0 OK, 1 Cancel
    void cmdColorPicker1_Click(int index);
    void cmdpickColourBlock_Click(int index);
    void Command2_Click(); // Change Fonts
    void Label1_Click(int index);

    // Backup tab.
    void setBackupTip();
    void seedFileList();
    // 0 back up; 1 restore: after the save question for each modified editor
    // window, the backup replaces the settings file and the program ends
    // without writing the settings again.
    void cmdBackup_Click(int index);
    void Command3_Click();           // the backup folder
    void deleteSelectedBackup();     // the list's right button
    QString heldMask() const { return backupFormat_; }
    QString listedFolder() const { return listedFolder_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildForm();
    QWidget* buildPreferencesTab();
    QWidget* buildColoursTab();
    QWidget* buildBlocksTab();
    QWidget* buildBackupTab();
    QWidget* buildMoreTab();
    QGroupBox* frame(const QString& name, const QString& title);
    QCheckBox* check(const QString& name, int labelIndex, const QString& caption, QWidget* into);
    QButtonGroup* options(const QString& name, int firstLabel, const QStringList& captions, QWidget* into);
    QPushButton* colourButton(const QString& name, const QString& caption);
    void connectHandlers();

    void loadValues();
    SystemSettings::Values collectValues() const;
    void setButtonColour(QPushButton* button, unsigned int colour);
    void pickColour(QPushButton* button);
    void chkColourize_Click();
    void chkLanguage_Click();
    void cmbLeftMargin_Click();
    void SSTab1_Click(int tab);
    void applyToMainWindow(const SystemSettings::Values& v);
    void endAfterRestore();

    MainWindowParts parts_;
    QString backupFormat_;
    QString listedFolder_;
    QList<std::pair<QString, QObject*>> bindings_; // key -> control

    QTabWidget* SSTab1;
    QLineEdit* Text1[2];
    QCheckBox* chkBold;
    QPushButton* Command2;
    QCheckBox* chkStatusBar[2];
    QButtonGroup* optDNC;
    QButtonGroup* optMinimizeSend;
    QPushButton* cmdColorPicker1[6] = {};
    QCheckBox* chkColourize;
    QGroupBox* blockColours_;
    QPushButton* cmdpickColourBlock[26];
    QLabel* Label4;
    QLineEdit* Text2;
    QPushButton* cmdBackup[2];
    QPushButton* Command3;
    QListWidget* File1;
    QButtonGroup* optBrowse;
    QCheckBox* chkLanguage;
    QComboBox* cmbDNCScroll;
    QCheckBox* chkPrintHeader;
    QComboBox* cmbLeftMargin;
    QLabel* marginLabel_; // Label1(2)
    QPushButton* Command1[2];
    QPushButton* cmdLanguageSelect;
    QList<std::pair<int, QObject*>> labelTargets_; // Label1(i) -> the box or option it acts on
};
