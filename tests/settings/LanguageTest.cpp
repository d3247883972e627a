#include "FrmLogin.h"
#include "IniStorage.h"
#include "Language.h"
#include "LanguageEditor.h"
#include "ModalAnswerer.h"
#include "SettingsGlobals.h"
#include "TestHome.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QtTest>

#include <memory>

namespace {

template <class W>
W* add(QWidget* parent, const char* name, const QString& caption) {
    auto* w = new W(caption, parent);
    w->setObjectName(name);
    return w;
}

// A settings dialog as the forms build them.
struct Form {
    QDialog dialog;
    QLabel* arrayLabel;
    QLabel* label;
    QCheckBox* check;
    QGroupBox* frame;
    QRadioButton* option;
    QPushButton* select;
    QLineEdit* text;
    QTabWidget* tabs;

    explicit Form(const char* name) {
        dialog.setObjectName(name);
        dialog.setWindowTitle("Built-in Title");
        arrayLabel = add<QLabel>(&dialog, "lblCaption(4)", "Baud");
        label = add<QLabel>(&dialog, "lblTitle", "Title");
        check = add<QCheckBox>(&dialog, "chkBold", "Bold");
        frame = add<QGroupBox>(&dialog, "Frame1", "Colours");
        option = add<QRadioButton>(frame, "optSize(0)", "Small");
        select = add<QPushButton>(&dialog, "cmdLanguageSelect", "Captions");
        text = new QLineEdit("typed", &dialog);
        text->setObjectName("txtName");
        tabs = new QTabWidget(&dialog);
        tabs->setObjectName("SSTab1");
        for (const char* t : {"Com Port", "Send", "Receive"})
            tabs->addTab(new QWidget, t);
        dialog.show();
    }
    QStringList tabTexts() const {
        QStringList out;
        for (int i = 0; i < tabs->count(); ++i)
            out << tabs->tabText(i);
        return out;
    }
};

const QByteArray kSystemSection = "[Language-frmSystem]\n"
                                  "frmSystem=Systemeinstellungen\n"
                                  "LBLCAPTION-4=Baudrate\n" // keys match in any case
                                  "lblTitle=Titel\n"
                                  "chkBold=Fett\n"
                                  "Frame1=Farben\n"
                                  "optSize-0=Klein\n"
                                  "Com Port=Anschluss\n"
                                  "Send=Senden\n"
                                  "Receive=Empfangen\n"
                                  "txtName=not a caption\n";

} // namespace

class LanguageTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestHome> home;

private Q_SLOTS:
    void init() {
        home = std::make_unique<TestHome>();
        gUseLanguageSupport = 1;
        gLanguageForm = nullptr;
    }
    void cleanup() {
        gUseLanguageSupport = 0;
        gReceiveCaption = "Receive";
        home.reset();
    }

    void offLeavesEveryCaptionAsDesigned() {
        home->writeIni(kSystemSection);
        gUseLanguageSupport = 0;
        Form f("frmSystem");
        applyLanguage(&f.dialog);
        QCOMPARE(f.dialog.windowTitle(), QStringLiteral("Built-in Title"));
        QCOMPARE(f.arrayLabel->text(), QStringLiteral("Baud"));
        QCOMPARE(f.check->text(), QStringLiteral("Bold"));
        QCOMPARE(f.tabTexts(), (QStringList{"Com Port", "Send", "Receive"}));
        QVERIFY(!f.select->isVisible());
        QCOMPARE(gLanguageForm, nullptr);
    }

    void onAppliesTheFormsSection() {
        home->writeIni(kSystemSection);
        Form f("frmSystem");
        f.tabs->setProperty(kTabTagProperty, "Com Port,Send"); // fewer keys than tabs
        applyLanguage(&f.dialog);
        QCOMPARE(f.dialog.windowTitle(), QStringLiteral("Systemeinstellungen"));
        QCOMPARE(f.arrayLabel->text(), QStringLiteral("Baudrate"));
        QCOMPARE(f.label->text(), QStringLiteral("Titel"));
        QCOMPARE(f.check->text(), QStringLiteral("Fett"));
        QCOMPARE(f.frame->title(), QStringLiteral("Farben"));
        QCOMPARE(f.option->text(), QStringLiteral("Klein"));
        QCOMPARE(f.text->text(), QStringLiteral("typed"));
        QCOMPARE(f.tabTexts(), (QStringList{"Anschluss", "Senden", "Receive"}));
        QVERIFY(f.select->isVisible());
        QCOMPARE(gLanguageForm, &f.dialog);
        // Another form's section does not apply.
        Form other("frmMerge");
        applyLanguage(&other.dialog);
        QCOMPARE(other.arrayLabel->text(), QStringLiteral("Baud"));
        QCOMPARE(other.dialog.windowTitle(), QStringLiteral("Built-in Title"));
    }

    void tabsAreKeyedByTheirBuiltInCaptions() {
        home->writeIni(kSystemSection);
        Form emptyTag("frmSystem");
        emptyTag.tabs->setProperty(kTabTagProperty, "");
        applyLanguage(&emptyTag.dialog);
        QCOMPARE(emptyTag.tabTexts(), (QStringList{"Com Port", "Send", "Receive"}));

        // Without a tag the built-in captions are the keys, and stay the keys
        // when the form is translated a second time.
        Form noTag("frmSystem");
        applyLanguage(&noTag.dialog);
        QCOMPARE(noTag.tabTexts(), (QStringList{"Anschluss", "Senden", "Empfangen"}));
        writeIni("Language-frmSystem", "Send", "Versand");
        applyLanguage(&noTag.dialog);
        QCOMPARE(noTag.tabTexts(), (QStringList{"Anschluss", "Versand", "Empfangen"}));
    }

    void propertiesLabelsTwoAndThreeAreTheDialogsOwn() {
        home->writeIni("[Language-frmProperties]\nlblCaption-1=Eins\nlblCaption-2=Zwei\nlblCaption-3=Drei\n");
        QDialog d;
        d.setObjectName("frmProperties");
        auto* one = add<QLabel>(&d, "lblCaption(1)", "one");
        auto* two = add<QLabel>(&d, "lblCaption(2)", "Machine 7");
        auto* three = add<QLabel>(&d, "lblCaption(3)", "COM1");
        applyLanguage(&d);
        QCOMPARE(one->text(), QStringLiteral("Eins"));
        QCOMPARE(two->text(), QStringLiteral("Machine 7"));
        QCOMPARE(three->text(), QStringLiteral("COM1"));
    }

    void menusTakeTheirTranslationButNeverASeparator() {
        home->writeIni(QStringLiteral("[Language-Menus]\nmnuFile=&Datei\nmnuOpen=&Öffnen\nmnuRecent-2=Zuletzt 2\n"
                                      "mnuQuit=-\nmnuUpper=Gross\n")
                           .toUtf8());
        QMainWindow w;
        QMenu* file = w.menuBar()->addMenu("&File");
        file->setObjectName("mnuFile");
        QAction* open = file->addAction("&Open");
        open->setObjectName("mnuOpen");
        QAction* sep = file->addSeparator();
        QAction* recent = file->addAction("Recent 2");
        recent->setObjectName("mnuRecent(2)");
        QAction* quit = file->addAction("&Quit");
        quit->setObjectName("mnuQuit");
        QMenu* tools = file->addMenu("Tools");
        tools->setObjectName("mnuTools");
        QAction* upper = tools->addAction("Upper");
        upper->setObjectName("mnuUpper");

        gUseLanguageSupport = 0;
        applyMenuLanguage(&w);
        QCOMPARE(open->text(), QStringLiteral("&Open"));

        gUseLanguageSupport = 1;
        applyMenuLanguage(&w);
        QCOMPARE(file->title(), QStringLiteral("&Datei"));
        QCOMPARE(open->text(), QStringLiteral("&Öffnen"));
        QCOMPARE(recent->text(), QStringLiteral("Zuletzt 2"));
        QCOMPARE(quit->text(), QStringLiteral("&Quit"));
        QVERIFY(!quit->isSeparator());
        QVERIFY(sep->isSeparator());
        QCOMPARE(tools->title(), QStringLiteral("Tools"));
        QCOMPARE(upper->text(), QStringLiteral("Gross"));
    }

    void toolBarButtonsAndTheReceiveCaption() {
        home->writeIni("[Language-Buttons]\nbtnToolBar-2=Empfang\nbtnToolBar2-6=Sechs\n");
        QMainWindow w;
        QToolBar* bar = w.addToolBar("one");
        QToolBar* bar2 = w.addToolBar("two");
        QList<QAction*> first, second;
        for (int i = 0; i <= 6; ++i) {
            first << bar->addAction(QStringLiteral("B%1").arg(i));
            first.last()->setObjectName(QStringLiteral("btnToolBar(%1)").arg(i));
            second << bar2->addAction(QStringLiteral("C%1").arg(i));
            second.last()->setObjectName(QStringLiteral("btnToolBar2(%1)").arg(i));
        }
        gUseLanguageSupport = 0;
        gReceiveCaption = "stale";
        applyButtonLanguage(&w);
        QCOMPARE(gReceiveCaption, QStringLiteral("Receive"));
        QCOMPARE(first[2]->text(), QStringLiteral("B2"));

        gUseLanguageSupport = 1;
        applyButtonLanguage(&w);
        QCOMPARE(first[2]->text(), QStringLiteral("Empfang"));
        QCOMPARE(second[6]->text(), QStringLiteral("Sechs"));
        QCOMPARE(second[2]->text(), QStringLiteral("C2"));
        QCOMPARE(gReceiveCaption, QStringLiteral("Empfang"));
    }

    void wholeDialogEditorListsTwelveButtonsByTheirBuiltInCaptions() {
        auto build = [] {
            auto d = std::make_unique<QDialog>();
            d->setObjectName("frmMerge");
            d->setWindowTitle("Merge");
            add<QPushButton>(d.get(), "cmdDots", "...");
            add<QPushButton>(d.get(), "cmdGone", "Gone")->hide();
            for (int i = 0; i < 14; ++i)
                add<QPushButton>(d.get(), qPrintable(QStringLiteral("cmdB(%1)").arg(i)), QStringLiteral("B%1").arg(i));
            applyLanguage(d.get());
            return d;
        };
        // Opens the editor on `form`: what it lists, then `change` answers it.
        auto listed = [](QDialog* form, const std::function<void(frmLanguage*)>& change) {
            QStringList boxes;
            ModalAnswerer answer([&](QWidget* w) {
                auto* editor = qobject_cast<frmLanguage*>(w);
                for (int i = 0; editor && i < frmLanguage::kButtonBoxes; ++i)
                    if (editor->Text2(i)->isVisibleTo(editor))
                        boxes << editor->Text2(i)->text();
                if (editor)
                    change(editor);
                return editor != nullptr;
            });
            languageEditor(form);
            return boxes;
        };
        auto form = build();
        const QStringList first = listed(form.get(), [](frmLanguage* e) {
            e->Text1()->clear(); // an emptied title keeps the title
            e->Text2(0)->setText("Eins");
            e->Text2(1)->clear();
            e->Command1_Click(0);
        });
        QCOMPARE(first.size(), 12);
        QCOMPARE(first.last(), QStringLiteral("B11"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Merge"));
        QCOMPARE(form->findChild<QPushButton*>("cmdB(1)")->text(), QString());
        // After a restart the blanked button is still listed, so it can be captioned again.
        form = build();
        QCOMPARE(form->findChild<QPushButton*>("cmdB(0)")->text(), QStringLiteral("Eins"));
        const QStringList again = listed(form.get(), [](frmLanguage* e) { e->close(); });
        QCOMPARE(again.size(), 12);
        QCOMPARE(again.last(), QStringLiteral("B11"));
    }

    void captionEditorsAskThePasswordExceptForTabs() {
        Form f("frmSystem");
        applyLanguage(&f.dialog);
        gPasswordIniPath = home->file("password.ini");
        QFile password(gPasswordIniPath);
        QVERIFY(password.open(QIODevice::WriteOnly));
        password.write("[Main]\nPassword=xyz\n");
        password.close();
        QStringList seen;
        ModalAnswerer answer(
            [&](QWidget* w) {
                seen << w->objectName();
                if (auto* editor = qobject_cast<frmLanguage*>(w)) {
                    editor->Text1()->setText("Versand");
                    editor->Command1_Click(0);
                } else {
                    w->close(); // the password is not given
                }
                return true;
            },
            true);
        QTabBar* bar = f.tabs->tabBar();
        const QPoint sendTab = bar->tabRect(1).center();
        gUseLanguageSupport = 0;
        QTest::mouseDClick(f.label, Qt::LeftButton);
        QTest::mouseDClick(bar, Qt::LeftButton, {}, sendTab);
        QVERIFY(seen.isEmpty());

        gUseLanguageSupport = 1;
        QTest::mouseDClick(bar, Qt::LeftButton, {}, sendTab);
        QCOMPARE(seen, QStringList{"frmLanguage"});
        QCOMPARE(f.tabs->tabText(1), QStringLiteral("Versand"));
        QCOMPARE(readIni("Language-frmSystem", "Send"), QStringLiteral("Versand"));
        QTest::mouseDClick(f.label, Qt::LeftButton);
        QCOMPARE(seen, (QStringList{"frmLanguage", "FrmLogin"}));
        QCOMPARE(f.label->text(), QStringLiteral("Title"));
        gPasswordIniPath.clear();
    }

    void labelBesideACheckBoxToggles() {
        QCheckBox box;
        QSignalSpy clicks(&box, &QCheckBox::clicked);
        toggleCheck(&box);
        QVERIFY(box.isChecked());
        toggleCheck(&box);
        QCOMPARE(box.checkState(), Qt::Unchecked);
        QCOMPARE(clicks.count(), 2);
        box.setTristate(true);
        box.setCheckState(Qt::PartiallyChecked);
        toggleCheck(&box);
        QCOMPARE(box.checkState(), Qt::Unchecked);
        toggleCheck(nullptr);
    }
};

QTEST_MAIN(LanguageTest)
#include "LanguageTest.moc"
