#include "Language.h"
#include "IniStorage.h"
#include "IniStore.h"
#include "LanguageEditor.h"
#include "ModalAnswerer.h"
#include "SettingsGlobals.h"
#include "TestHome.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

template <class W> W* add(QWidget* parent, const char* name, const QString& caption) {
    auto* w = new W(caption, parent);
    w->setObjectName(name);
    return w;
}

template <class A> A* named(A* action, const char* name) {
    action->setObjectName(name);
    return action;
}

// A settings dialog as the forms build them.
struct Form {
    QDialog dialog;
    QLabel* label;
    QPushButton* select;
    QTabWidget* tabs;

    explicit Form(const char* name) {
        dialog.setObjectName(name);
        dialog.setWindowTitle("Built-in Title");
        add<QLabel>(&dialog, "lblCaption(4)", "Baud");
        label = add<QLabel>(&dialog, "lblTitle", "Title");
        add<QRadioButton>(add<QGroupBox>(&dialog, "Frame1", "Colours"), "optSize(0)", "Small");
        select = add<QPushButton>(&dialog, "cmdLanguageSelect", "Captions");
        add<QLineEdit>(&dialog, "txtName", "typed");
        tabs = new QTabWidget(&dialog);
        tabs->setObjectName("SSTab1");
        for (const char* t : {"Com Port", "Send", "Receive"})
            tabs->addTab(new QWidget, t);
        dialog.show();
    }
    // The title, the label array's member, the frame, its option, the text box, then the tabs.
    QStringList captions() const {
        QStringList out{dialog.windowTitle(), dialog.findChild<QLabel*>("lblCaption(4)")->text(),
                        dialog.findChild<QGroupBox*>()->title(), dialog.findChild<QRadioButton*>()->text(),
                        dialog.findChild<QLineEdit*>()->text()};
        for (int i = 0; i < tabs->count(); ++i)
            out << tabs->tabText(i);
        return out;
    }
};

const QByteArray kSystemSection = "[Language-frmSystem]\n"
                                  "frmSystem=Systemeinstellungen\n"
                                  "LBLCAPTION-4=Baudrate\n" // keys match in any case
                                  "lblTitle=Titel\n"
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

    void aFormTakesItsOwnSectionWhileTranslationIsOn() {
        home->writeIni(kSystemSection);
        Form f("frmSystem");
        gUseLanguageSupport = 0;
        applyLanguage(&f.dialog);
        QCOMPARE(f.label->text(), QStringLiteral("Title"));
        QVERIFY(!f.select->isVisible());

        gUseLanguageSupport = 1;
        applyLanguage(&f.dialog);
        QCOMPARE(f.captions(), QStringList({"Systemeinstellungen", "Baudrate", "Farben", "Klein", "typed",
                                            "Anschluss", "Senden", "Empfangen"}));
        QCOMPARE(f.label->text(), QStringLiteral("Titel"));
        QVERIFY(f.select->isVisible());
        QCOMPARE(gLanguageForm, &f.dialog);
        // The built-in tab captions stay the keys when the form is translated again.
        writeIni("Language-frmSystem", "Send", "Versand");
        applyLanguage(&f.dialog);
        QCOMPARE(f.captions().mid(5), QStringList({"Anschluss", "Versand", "Empfangen"}));

        Form tagged("frmSystem");
        tagged.tabs->setProperty(kTabTagProperty, "Com Port,Send"); // fewer keys than tabs
        applyLanguage(&tagged.dialog);
        QCOMPARE(tagged.captions().mid(5), QStringList({"Anschluss", "Versand", "Receive"}));
        // Another form's section does not apply.
        Form other("frmMerge");
        applyLanguage(&other.dialog);
        QCOMPARE(other.captions().value(1), QStringLiteral("Baud"));
    }

    void propertiesLabelsTwoAndThreeAreTheDialogsOwn() {
        home->writeIni("[Language-frmProperties]\nlblCaption-1=Eins\nlblCaption-2=Zwei\nlblCaption-3=Drei\n");
        QDialog d;
        d.setObjectName("frmProperties");
        auto* one = add<QLabel>(&d, "lblCaption(1)", "one");
        auto* two = add<QLabel>(&d, "lblCaption(2)", "Machine 7");
        auto* three = add<QLabel>(&d, "lblCaption(3)", "COM1");
        applyLanguage(&d);
        QCOMPARE(QStringList({one->text(), two->text(), three->text()}),
                 QStringList({"Eins", "Machine 7", "COM1"}));
    }

    void mainWindowMenusAndToolBarsButNeverASeparator() {
        home->writeIni(
            QStringLiteral("[Language-Menus]\nmnuFile=&Datei\nmnuRecent-2=Zuletzt 2\nmnuQuit=-\n"
                           "mnuUpper=Gross\n[Language-Buttons]\nbtnToolBar-2=Empfang\nbtnToolBar2-1=Eins\n")
                .toUtf8());
        QMainWindow w;
        QMenu* file = named(w.menuBar()->addMenu("&File"), "mnuFile");
        QAction* recent = named(file->addAction("Recent 2"), "mnuRecent(2)");
        QAction* quit = named(file->addAction("&Quit"), "mnuQuit");
        QAction* upper = named(file->addMenu("Tools")->addAction("Upper"), "mnuUpper");
        QAction* receive = named(w.addToolBar("one")->addAction("Receive"), "btnToolBar(2)");
        QToolBar* bar2 = w.addToolBar("two");
        QAction* second[] = {named(bar2->addAction("A"), "btnToolBar2(1)"),
                             named(bar2->addAction("B"), "btnToolBar2(2)")};
        gUseLanguageSupport = 0;
        gReceiveCaption = "stale";
        applyMenuLanguage(&w);
        applyButtonLanguage(&w);
        QCOMPARE(QStringList({file->title(), receive->text(), gReceiveCaption}),
                 QStringList({"&File", "Receive", "Receive"}));

        gUseLanguageSupport = 1;
        applyMenuLanguage(&w);
        applyButtonLanguage(&w);
        QCOMPARE(QStringList({file->title(), recent->text(), quit->text(), upper->text()}),
                 QStringList({"&Datei", "Zuletzt 2", "&Quit", "Gross"}));
        QCOMPARE(QStringList({receive->text(), gReceiveCaption, second[0]->text(), second[1]->text()}),
                 QStringList({"Empfang", "Empfang", "Eins", "B"}));
    }

    void wholeDialogEditorListsTwelveButtonsByTheirBuiltInCaptions() {
        auto build = [] {
            auto d = std::make_unique<QDialog>();
            d->setObjectName("frmMerge");
            d->setWindowTitle("Merge");
            add<QPushButton>(d.get(), "cmdDots", "...");
            add<QPushButton>(d.get(), "cmdGone", "Gone")->hide();
            for (int i = 0; i < 14; ++i)
                add<QPushButton>(d.get(), qPrintable(QStringLiteral("cmdB(%1)").arg(i)),
                                 QStringLiteral("B%1").arg(i));
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
        listed(form.get(), [](frmLanguage* e) {
            e->Text1()->clear(); // an emptied title keeps the title
            e->Text2(0)->setText("Eins");
            e->Text2(1)->clear();
            e->Command1_Click(0);
        });
        QCOMPARE(form->windowTitle(), QStringLiteral("Merge"));
        QCOMPARE(form->findChild<QPushButton*>("cmdB(1)")->text(), QString());
        // After a restart the 12 boxes still list the blanked button, so it can be captioned again.
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
        writeAllBytes(gPasswordIniPath, "[Main]\nPassword=xyz\n");
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

    void aConfirmedCaptionIsStoredUnderItsKeyAndOutlivesARestart() {
        gPasswordIniPath = home->file("no-password.ini");
        auto f = std::make_unique<Form>("frmSystem");
        applyLanguage(&f->dialog);
        auto* baud = f->dialog.findChild<QLabel*>("lblCaption(4)");
        const QByteArray before = home->readIniBytes();
        // An emptied caption, then a cancelled one, change nothing.
        for (const auto& [text, ok] : {std::pair{"", true}, std::pair{"Speed", false}}) {
            ModalAnswerer answer([text = QString(text), ok = ok](QWidget* w) {
                auto* editor = qobject_cast<frmLanguage*>(w);
                if (editor) {
                    editor->Text1()->setText(text);
                    editor->Command1_Click(ok ? 0 : 1);
                }
                return editor != nullptr;
            });
            QTest::mouseDClick(baud, Qt::LeftButton);
            QCOMPARE(answer.answered(), 1);
            QCOMPARE(baud->text(), QStringLiteral("Baud"));
            QCOMPARE(home->readIniBytes(), before);
        }
        ModalAnswerer confirm([](QWidget* w) {
            auto* editor = qobject_cast<frmLanguage*>(w);
            if (editor) {
                editor->Text1()->setText("Baudrate");
                editor->Command1_Click(0);
            }
            return editor != nullptr;
        });
        QTest::mouseDClick(baud, Qt::LeftButton);
        QCOMPARE(baud->text(), QStringLiteral("Baudrate"));
        QCOMPARE(readIni("Language-frmSystem", "lblCaption-4"), QStringLiteral("Baudrate"));
        // The next start reads the file afresh and shows it.
        f.reset();
        IniStore::instance().clearCache();
        Form again("frmSystem");
        applyLanguage(&again.dialog);
        QCOMPARE(again.dialog.findChild<QLabel*>("lblCaption(4)")->text(), QStringLiteral("Baudrate"));
        gPasswordIniPath.clear();
    }

    void labelBesideACheckBoxTogglesItAsAClickWould() {
        QCheckBox box;
        QSignalSpy clicks(&box, &QCheckBox::clicked);
        toggleCheck(&box);
        QVERIFY(box.isChecked());
        toggleCheck(&box);
        QCOMPARE(clicks.count(), 2);
    }
};

QTEST_MAIN(LanguageTest)
#include "LanguageTest.moc"
