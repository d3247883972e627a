#include "CompareFiles.h"
#include "DateStuff.h"
#include "EditControl.h"
#include "EditorFixture.h"
#include "EditorGlobals.h"
#include "IniStorage.h"
#include "Merge.h"
#include "PrintLayout.h"
#include "Printing.h"
#include "SettingsGlobals.h"
#include "TextPass.h"
#include "TextSearch.h"
#include "TextTools.h"
#include "frmFanucSplitFiles.h"
#include "frmFind.h"
#include "frmMerge.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <cerrno>
#include <cstring>

// Find and replace, compare, split options and merge on real editor windows.
class EditorToolsTest : public QObject, protected EditorFixture {
    Q_OBJECT

    EditControl* windowWith(const QByteArray& text) {
        mgr->openFileInNewWindow();
        mgr->activeEditor()->setBytes(text);
        return mgr->activeEditor();
    }
    frmFind* box(const QString& find, const QString& replace, int direction) {
        frmFind* f = frmFind::showFindBox(nullptr, mgr.get(), find, 1);
        f->txtReplace->setText(replace);
        f->optDirection[direction]->setChecked(true);
        return f;
    }

    // Runs `action`; each modal dialog it opens gets `answer` and is counted.
    template <typename Dialog>
    int dialogsDuring(const std::function<void()>& action, const std::function<void(Dialog*)>& answer) {
        int shown = 0;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
                ++shown;
                answer(d);
            }
        });
        poll.start(10);
        action();
        return shown;
    }
    QStringList splitKeys() {
        QStringList v;
        for (const char* k : {"FanucBefore", "FanucAfter", "FanucStripPercent", "FanucPutBackPercent",
                              "FanucStripBlankLines", "FanucLaunch", "FanucUseComment", "PrefixO"})
            v << readIni(gCurrentMachineSection, QLatin1String(k), QStringLiteral("-"));
        return v;
    }

    static QByteArray output(const QString& program, const QStringList& arguments) {
        QProcess p;
        p.start(program, arguments);
        p.waitForFinished(60000);
        return p.readAllStandardOutput();
    }
    // Prints the active window to a PDF file; the messages are in msgs.
    QString printToPdf(bool colour, const QString& path = QString()) {
        const QString out = path.isEmpty() ? home->file(QStringLiteral("out.pdf")) : path;
        sessionPrinter().setOutputFormat(QPrinter::PdfFormat);
        sessionPrinter().setOutputFileName(out);
        setPrintDialogRunner([](QPrinter&, bool) { return true; });
        printWindow(colour);
        return out;
    }
    // How many character widths each printed line starts from the page's left edge.
    QList<int> leadingSpaces(const QString& pdf) {
        const QByteArray boxes =
            output(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
        const QRegularExpression word(QStringLiteral("xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\"[^>]*>([^<]*)<"));
        QMap<double, double> firstX; // line top -> left edge of its first word
        double charWidth = 0;
        for (auto m = word.globalMatch(QString::fromUtf8(boxes)); m.hasNext();) {
            const auto w = m.next();
            const double y = w.captured(2).toDouble(), x = w.captured(1).toDouble();
            firstX[y] = firstX.contains(y) ? qMin(firstX[y], x) : x;
            charWidth = (w.captured(3).toDouble() - x) / w.captured(4).size();
        }
        const double left = sessionPrinter().pageLayout().paintRectPoints().left();
        QList<int> spaces;
        for (double x : firstX)
            spaces << qRound((x - left) / charWidth);
        return spaces;
    }
    // Counts the pixels of the first page that are clearly red, and those that are dark.
    std::pair<int, int> redAndDark(const QString& pdf) {
        const QStringList arguments{QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-f"),
                                    QStringLiteral("1"),  QStringLiteral("-l"), QStringLiteral("1"), pdf};
        const QImage page = QImage::fromData(output(QStringLiteral("pdftoppm"), arguments), "PPM");
        int red = 0, dark = 0, coloured = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const QColor c = page.pixelColor(x, y);
                red += c.red() > 150 && c.green() < 100 && c.blue() < 100;
                dark += c.red() < 100 && c.green() < 100 && c.blue() < 100;
                coloured += qAbs(c.red() - c.green()) > 40 || qAbs(c.green() - c.blue()) > 40;
            }
        return {red, coloured > red ? -1 : dark};
    }

private Q_SLOTS:
    void init() { openEditors(); }
    void cleanup() {
        if (frmFind* f = frmFind::instance()) {
            f->close();
            delete f;
        }
        closeEditors();
    }

    // --- find and replace -------------------------------------------------

    void searchRules() {
        const struct {
            QByteArray text, what;
            bool matchCase, wholeWords;
            int first;
        } cases[] = {
            {"g01 G01", "G01", true, false, 4},  {"x g01", "G01", false, false, 2},
            {"x\xc9", "\xe9", false, false, 1}, // Latin-1 letters have a case
            {"X10 X1 ", "X1", true, true, 4},    {"X10 X1", "X1", true, true, 4},
            {"X10_X1a", "X1", true, true, -1},
        };
        for (const auto& c : cases) {
            const TextSearch search(c.text, c.what, {c.matchCase, c.wholeWords});
            QCOMPARE(int(search.next(0)), c.first);
            QCOMPARE(int(search.previous(c.text.size())), c.first);
        }
        // Match positions, kept as the distances between them, come back as they went in.
        const QList<qsizetype> at = {0, 1, 129, 16513, 16514, qsizetype(1) << 40};
        MatchStarts starts;
        for (qsizetype p : at)
            starts.append(p);
        QList<qsizetype> back;
        for (MatchStarts::Reader r(starts); !r.atEnd();)
            back << r.next();
        QCOMPARE(back, at);
    }

    void replaceAllCountsTheReplacementsMade_data() {
        QTest::addColumn<bool>("selectFirst");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QString>("with");
        QTest::newRow("after Find Next, down") << true << 1 << QStringLiteral("G02");
        QTest::newRow("no selection, down") << false << 1 << QStringLiteral("G02");
        QTest::newRow("whole file, growing") << false << 2 << QStringLiteral("G01G01");
    }
    void replaceAllCountsTheReplacementsMade() {
        QFETCH(bool, selectFirst);
        QFETCH(int, direction);
        QFETCH(QString, with);
        EditControl* ed = windowWith("G01 X1\nG01 X2\nG01 X3\n");
        ed->selectRange(0, 0);
        frmFind* f = box(QStringLiteral("G01"), with, direction);
        if (selectFirst) {
            f->Command1_Click(0);
            QCOMPARE(ed->selectedText(), QStringLiteral("G01"));
        }
        f->Command1_Click(2);
        QCOMPARE(msgs->texts(), QStringList{QStringLiteral("3 occurrences replaced...")});
        QCOMPARE(ed->text(), QStringLiteral("G01 X1\nG01 X2\nG01 X3\n").replace(QStringLiteral("G01"), with));
        QVERIFY(f->optDirection[1]->isChecked());
        // One undo step, and the change is there to be saved.
        QVERIFY(gWindows[gActiveWindow].modified);
        ed->undo();
        QCOMPARE(ed->bytes(), QByteArray("G01 X1\nG01 X2\nG01 X3\n"));
    }

    void replaceAllInPlaceWithMatchesCloseTogetherAndFarApart() {
        // Matches side by side, a few bytes apart and far apart: each once,
        // by longer, shorter and no text, in one undo step.
        const QByteArray text = "X1X1 X1 " + QByteArray(300, 'Y') + " X1\nX1";
        for (const QByteArray& with : {QByteArray("X1X1"), QByteArray("Z"), QByteArray()}) {
            EditControl* ed = windowWith(text);
            box(QStringLiteral("X1"), QString::fromLatin1(with), 2)->Command1_Click(2);
            QCOMPARE(ed->bytes(), QByteArray(text).replace("X1", with));
            QCOMPARE(msgs->texts().last(), QStringLiteral("5 occurrences replaced..."));
            ed->undo();
            QCOMPARE(ed->bytes(), text);
            ed->redo();
            QCOMPARE(ed->bytes(), QByteArray(text).replace("X1", with));
        }
        // Matches never overlap.
        EditControl* ed = windowWith("AAA");
        box(QStringLiteral("AA"), QStringLiteral("B"), 2)->Command1_Click(2);
        QCOMPARE(ed->bytes(), QByteArray("BA"));
        QCOMPARE(msgs->texts().last(), QStringLiteral("1 occurrence replaced..."));
    }

    void aCharacterNoByteStandsForIsNeitherFoundNorWritten() {
        const QString euro = QString::fromUtf8("\u20ac"), face = QString::fromUtf8("\U0001F600");
        const struct {
            int button; // 0 Find Next, 1 Replace, 2 Replace All
            QString find, with, message;
        } cases[] = {
            {0, "G" + euro, "", "Search text is not found...\n\"" + euro + "\""},
            {1, "?", face, "Nothing Was Replaced...\n\"" + face + "\""},
            {2, "?", "X" + euro, "Nothing Was Replaced...\n\"" + euro + "\""},
            {2, euro, "X", "No occurrences were replaced...\n\"" + euro + "\""},
            {1, euro, "X", "Replace text is not found...\n\"" + euro + "\""},
        };
        for (const auto& c : cases) {
            EditControl* ed = windowWith("G? X?\n");
            ed->selectRange(1, 2); // a "?" already selected
            msgs->clear();
            box(c.find, c.with, 2)->Command1_Click(c.button);
            QCOMPARE(ed->bytes(), QByteArray("G? X?\n"));
            QCOMPARE(ed->selectionStart(), 1L);
            QCOMPARE(msgs->texts(), QStringList{c.message + " Is Not A Character A Program Can Hold"});
        }
    }

    void theLastLatin1LettersAreFoundAndReplaced() {
        const QString y = QString::fromLatin1("\xff"), o = QString::fromLatin1("\xd8");
        const struct {
            int button; // 0 Find Next, 1 Replace (with the first match selected), 2 Replace All
            QString find, with;
            QByteArray after;
            long selected; // where the selection starts after the click
        } cases[] = {
            {0, y, "", "G\xff X\xd8\n", 1}, {0, o, "", "G\xff X\xd8\n", 4},    {1, y, o, "G\xd8 X\xd8\n", 2},
            {2, o, y, "G\xff X\xff\n", 5},  {2, y + " X" + o, "Z", "GZ\n", 2},
        };
        for (const auto& c : cases) {
            EditControl* ed = windowWith("G\xff X\xd8\n");
            ed->selectRange(0, 0);
            frmFind* f = box(c.find, c.with, 1);
            if (c.button == 1)
                f->Command1_Click(0);
            f->Command1_Click(c.button);
            QCOMPARE(ed->bytes(), c.after);
            QCOMPARE(ed->selectionStart(), c.selected);
            QVERIFY(!msgs->sawText("Can Hold"));
        }
    }

    void aPassOfSeveralMegabytesReplacesTheWindowPieceByPiece() {
        // Lines dropped and lines lengthened across the pieces the result is
        // written and put back in; one undo step brings the text back.
        QByteArray text, dropped, spaced;
        for (int i = 0; i < 300000; ++i) {
            const QByteArray line = i % 7 ? "G01X" + QByteArray::number(i) : QByteArray();
            text += line + "\r\n";
            if (!line.isEmpty())
                dropped += line + "\r\n";
            spaced += QByteArray(line).replace("G01X", "G01 X") + "\r\n";
        }
        for (const auto& [mode, expected] : {std::pair{RemoveBlankLines, dropped}, std::pair{InsertSpaces, spaced}}) {
            EditControl* ed = windowWith(text);
            processNCText(ed, mode);
            QVERIFY(ed->bytes() == expected);
            ed->undo();
            QVERIFY(ed->bytes() == text);
        }
    }

    void aResultThatCannotBeReadBackLeavesTheTextAndTheUsersEditsAlone() {
        // The result ends short in its first piece, then in its second: the
        // window keeps its text, and the user's own last edit stays undoable.
        const struct {
            QByteArray result;
            PieceEnds pieces;
        } cases[] = {{"G01\r\n", {{8, 10}}}, {"G01\r\nG0", {{4, 5}, {8, 10}}}};
        for (const auto& c : cases) {
            EditControl* ed = windowWith("G01\n");
            ed->selectRange(4, 4);
            ed->replaceSelection("G02\n");
            QBuffer result;
            result.setData(c.result);
            result.open(QIODevice::ReadOnly);
            QVERIFY(!ed->replaceInPieces(result, c.pieces));
            QCOMPARE(ed->bytes(), QByteArray("G01\nG02\n"));
            ed->undo();
            QCOMPARE(ed->bytes(), QByteArray("G01\n"));
        }
    }

    void replaceAllWithNothingToReplaceAndOnALockedEditor() {
        EditControl* ed = windowWith("G00\n");
        box(QStringLiteral("G01"), QStringLiteral("G02"), 2)->Command1_Click(2);
        QVERIFY(msgs->sawText("No occurrences were replaced..."));
        ed->setBytes("G01\n");
        ed->setReadOnly(true);
        msgs->clear();
        frmFind::instance()->Command1_Click(2);
        QVERIFY(msgs->sawText("Locked"));
        QCOMPARE(ed->bytes(), QByteArray("G01\n"));
    }

    void replaceAllEndsWhenItsWindowClosesOrStopIsClicked() {
        QByteArray big;
        for (int i = 0; i < 200000; ++i)
            big += "N10 G01 X1\n";
        // Stop: what was replaced so far stays, and is counted.
        EditControl* ed = windowWith(big);
        frmFind* f = box(QStringLiteral("G01"), QStringLiteral("G02"), 2);
        QTimer::singleShot(0, f, [f] { f->Command1_Click(4); });
        f->Command1_Click(2);
        const int replaced = int(ed->bytes().count("G02"));
        QVERIFY(replaced > 0 && replaced < 200000);
        QVERIFY(msgs->sawText(QStringLiteral("%1 occurrences replaced...").arg(replaced)));
        QVERIFY(f->isVisible());
        // Closing the tab: the pass ends, nothing is reported.
        mgr->openFileInNewWindow(fileWith(QStringLiteral("big.nc"), big));
        msgs->clear();
        QTimer::singleShot(0, mgr.get(), [this] { mgr->closeMyFile(); });
        f->Command1_Click(2);
        QVERIFY(!f->replacing());
        QVERIFY(msgs->shown().isEmpty());
    }

    void findNextGoesEachWayAndSaysWhenNothingIsFound() {
        EditControl* ed = windowWith("G01 X1\nG01 X2\nG01 X3\n");
        ed->selectRange(0, 0);
        frmFind* f = box(QStringLiteral("g01"), QString(), 1);
        f->Check1[1]->setChecked(true); // case insensitive
        f->Command1_Click(0);
        f->Command1_Click(0);
        QCOMPARE(ed->selectionStart(), 7L);
        f->optDirection[0]->setChecked(true);
        f->Command1_Click(0);
        QCOMPARE(ed->selectionStart(), 0L);
        f->Command1_Click(0);
        QCOMPARE(msgs->texts(), QStringList{QStringLiteral("Search text is not found...")});
        f->optDirection[2]->setChecked(true); // whole file wraps
        f->Command1_Click(3);
        QCOMPARE(ed->selectionStart(), 7L);
        // Replace replaces the match it stands on and moves to the next.
        f->Command1_Click(1);
        QCOMPARE(ed->bytes(), QByteArray("G01 X1\n X2\nG01 X3\n"));
        QCOMPARE(ed->selectionStart(), 11L);
    }

    void findAndReplaceAtTheEdgesOfTheTextAndTheSelection() {
        // Replace All reaches a match that ends the text.
        EditControl* ed = windowWith("G01 X1\nG01");
        ed->selectRange(0, 0);
        frmFind* f = box(QStringLiteral("G01"), QStringLiteral("G02"), 2);
        f->Command1_Click(2);
        QCOMPARE(ed->bytes(), QByteArray("G02 X1\nG02"));
        // Upwards it covers the text up to the end of the selection: the selected match too.
        ed->setBytes("G01 X1\nG01 X2\nG01 X3\n");
        ed->selectRange(7, 10);
        f->optDirection[0]->setChecked(true);
        f->Command1_Click(2);
        QCOMPARE(ed->bytes(), QByteArray("G02 X1\nG02 X2\nG01 X3\n"));
        QCOMPARE(msgs->texts(), QStringList(2, QStringLiteral("2 occurrences replaced...")));
        // The whole file: with no match after the caret the search starts again at the top.
        ed->setBytes("G01 X1\nG00\n");
        ed->selectRange(11, 11);
        f->optDirection[2]->setChecked(true);
        f->Command1_Click(0);
        QCOMPARE(ed->selectionStart(), 0L);
        QCOMPARE(ed->selectionEnd(), 3L);
        // Replace replaces the selection only when it is the text searched for.
        ed->setBytes("G01 X10\nG01 X2\n");
        ed->selectRange(4, 7); // "X10", as long as "G01"
        f->Command1_Click(1);
        QCOMPARE(ed->bytes(), QByteArray("G01 X10\nG01 X2\n"));
        QCOMPARE(ed->selectionStart(), 8L);
    }

    void theBoxSeedsItsFirstLineAndStaysOnTheScreen() {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        writeIni(QStringLiteral("Settings"), QStringLiteral("FindX"), QStringLiteral("-500"));
        writeIni(QStringLiteral("Settings"), QStringLiteral("FindY"), QString::number(screen.height() * 15 + 100));
        frmFind* f = frmFind::showFindBox(nullptr, mgr.get(), QStringLiteral("G01\r\nG02"), 0);
        QCOMPARE(f->txtFind->text(), QStringLiteral("G01"));
        QCOMPARE(f->x(), screen.left());
        QVERIFY(f->frameGeometry().bottom() <= screen.bottom());
        QVERIFY(!f->replaceLayout());
        f->Command1_Click(1); // Replace in the find layout only opens the replace row
        QVERIFY(f->replaceLayout());
        // Called while the editor has the keyboard: what is typed next goes into the box.
        QWidget* ed = mgr->activeEditor();
        ed->window()->show();
        ed->activateWindow();
        ed->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), ed);
        frmFind::showFindBox(nullptr, mgr.get(), QString(), 1);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f->txtFind));
        QVERIFY(!f->Command1[0]->isEnabled());
        f->move(30, 40);
        f->Command1_Click(4);
        QCOMPARE(readIni(QStringLiteral("Settings"), QStringLiteral("FindX")), QStringLiteral("450"));
        QCOMPARE(readIni(QStringLiteral("Settings"), QStringLiteral("FindY")), QStringLiteral("600"));
        QVERIFY(!gFindFormLoaded);
    }

    // --- compare ------------------------------------------------------------

    void compareTellsIdentityOnly() {
        mnuCompare_Click(); // window 0, untitled: nothing to compare
        QVERIFY(msgs->sawText("No File On Disk"));
        QVERIFY(msgs->fileRequests().isEmpty());
        const QString a = fileWith(QStringLiteral("a.nc"), QByteArray(300001, 'A'));
        mgr->openFileInNewWindow(a);
        msgs->clear();
        msgs->answerFiles({a});
        mnuCompare_Click();
        QVERIFY(!iniHasKey(QStringLiteral("Settings"), QStringLiteral("FileCompare1")));
        const QString gone = home->file(QStringLiteral("gone.nc"));
        const QString last = fileWith(QStringLiteral("c.nc"), QByteArray(300000, 'A') + 'B');
        msgs->answerFiles({gone}).answerFiles({fileWith(QStringLiteral("b.nc"), QByteArray(300002, 'A'))});
        msgs->answerFiles({last});
        for (int i = 0; i < 3; ++i)
            mnuCompare_Click();
        QCOMPARE(msgs->texts(), (QStringList{"Files Are Identical", gone + " Does Not Exist!",
                                             "Files Are Different", "Files Are Different"}));
        QCOMPARE(readIni(QStringLiteral("Settings"), QStringLiteral("FileCompare1")), a);
        QCOMPARE(readIni(QStringLiteral("Settings"), QStringLiteral("FileCompare2")), last);
        QCOMPARE(gDialogResult, QStringLiteral("~"));
    }

    void compareStartsWhereOpenStartsAndSaysWhatItDoesNotSee() {
        const QString a = fileWith(QStringLiteral("a.nc"), "G01\n");
        const QString sendFolder = home->file(QStringLiteral("programs"));
        QDir().mkpath(sendFolder);
        writeIniValues(gCurrentMachineSection, {{"DefaultToDirectories", "1"}, {"SendDirectory", sendFolder}});
        mgr->openFileInNewWindow(a);
        msgs->answerFiles({a, a});
        mnuCompare_Click();
        QCOMPARE(msgs->fileRequests().last().startFolder, sendFolder);
        QCOMPARE(msgs->texts(), QStringList{"Choose One File To Compare"});
        // Edits not saved yet: the answer says they were not compared.
        mgr->activeEditor()->setBytes("G02\n");
        msgs->clear();
        msgs->answerFiles({a});
        mnuCompare_Click();
        QCOMPARE(msgs->texts(),
                 QStringList{"Files Are Identical\nThe Unsaved Changes Of This Window Are Not Part Of The Comparison"});
    }

    // --- split options ------------------------------------------------------

    void splitAsksOnlyForAWindowWithAFileAndOkWritesTheOptions() {
        const std::function<void(frmFanucSplitFiles*)> cancel = [](frmFanucSplitFiles* d) { d->Command2_Click(1); };
        const auto split = [] { mnuSplitFile(nullptr); };
        QCOMPARE(dialogsDuring(split, cancel), 0); // empty window 0
        windowWith("G01\n");
        QCOMPARE(dialogsDuring(split, cancel), 0); // untitled
        mgr->openFileInNewWindow(fileWith(QStringLiteral("merge.$$$"), "G01\n"));
        QCOMPARE(dialogsDuring(split, cancel), 0);
        mgr->openFileInNewWindow(fileWith(QStringLiteral("prog.nc"), "O1\nG01\n"));
        QCOMPARE(dialogsDuring(split, cancel), 1);
        QCOMPARE(splitKeys(), QStringList(8, QStringLiteral("-"))); // Cancel writes nothing
        QVERIFY(msgs->shown().isEmpty());

        writeIni(gCurrentMachineSection, QStringLiteral("FanucLaunch"), QStringLiteral("99"));
        const QString folder = home->file(QStringLiteral("parts"));
        const std::function<void(frmFanucSplitFiles*)> ok = [&](frmFanucSplitFiles* d) {
            QCOMPARE(d->Text1->text(), home->path());
            d->Text1->setText(folder);
            d->Command2_Click(0);
        };
        msgs->answer(Msg::AnswerNo).answer(Msg::AnswerYes);
        QCOMPARE(dialogsDuring(split, ok), 1);
        QCOMPARE(splitKeys(), (QStringList{"0", "0", "1", "0", "1", "0", "0", "0"}));
        QVERIFY(msgs->sawText("Folder Does Not Exist"));
        QVERIFY(!QFileInfo::exists(folder));
        dialogsDuring(split, ok);
        QVERIFY(QFileInfo(folder).isDir());
        QVERIFY(msgs->sawText("No Program Starting With \":\" Was Found In prog.nc"));
        QVERIFY(!QApplication::overrideCursor());

        // Edits not saved: the split would read what the screen does not show.
        QTest::keyClicks(mgr->activeEditor(), "X");
        msgs->clear();
        QCOMPARE(dialogsDuring(split, cancel), 0); // unanswered: No
        QVERIFY(msgs->sawText("The Unsaved Changes Of This Window Are Not Part Of The Split"));
        msgs->answer(Msg::AnswerYes);
        QCOMPARE(dialogsDuring(split, cancel), 1);
    }

    void aCancelledSplitWritesNothingAndAFolderThatCannotBeMadeSaysWhy() {
        using Answer = std::function<void(frmFanucSplitFiles*)>;
        const auto split = [] { mnuSplitFile(nullptr); };
        mgr->openFileInNewWindow(fileWith(QStringLiteral("dump.nc"), ":1\nM30\n:2\nM30\n"));
        const QString folder = home->file(QStringLiteral("parts"));
        QDir().mkpath(folder);
        // The folder picker leaves its choice in gDialogResult, as frmDefaultDir does.
        setSplitFolderPicker([&](const QString&) { return gDialogResult = folder; });
        for (const bool esc : {true, false}) {
            QCOMPARE(dialogsDuring(split, Answer([&](frmFanucSplitFiles* d) {
                         d->Command1_Click(); // "Folder", then Esc or the close box
                         esc ? QTest::keyClick(d, Qt::Key_Escape) : void(d->close());
                     })),
                     1);
            QVERIFY(QDir(folder).isEmpty() && msgs->shown().isEmpty());
        }
        setSplitFolderPicker(nullptr);

        const QString underAFile = home->file(QStringLiteral("dump.nc/parts"));
        msgs->answer(Msg::AnswerYes);
        dialogsDuring(split, Answer([&](frmFanucSplitFiles* d) {
                          d->Text1->setText(underAFile);
                          d->Command2_Click(0);
                      }));
        QCOMPARE(msgs->texts().last(), "The Folder " + underAFile + " Could Not Be Created\n" +
                                           QString::fromLocal8Bit(std::strerror(ENOTDIR)));
    }

    void splitFilesWritesEachProgramAndDoesWhatTheMachineAsksAfterwards() {
        mgr->openFileInNewWindow(fileWith(QStringLiteral("dump.nc"),
                                          "%\nO0010 (PART A)\nG00 X0\n\nM30\nO0020\nM99\nO0030\nM30\n%\n"));
        const QString folder = home->file(QStringLiteral("parts/"));
        const std::function<void(frmFanucSplitFiles*)> ok = [&](frmFanucSplitFiles* d) {
            d->cmbWordBefore->setCurrentIndex(1); // "O"
            d->chkPrefixO->setChecked(true);
            d->Text1->setText(folder);
            d->Command2_Click(0);
        };
        const auto split = [] { mnuSplitFile(nullptr); };
        msgs->answer(Msg::AnswerYes); // create the folder
        QCOMPARE(dialogsDuring(split, ok), 1);
        QCOMPARE(readAllBytes(folder + "O0010"), QByteArray("O0010 (PART A)\nG00 X0\nM30\n"));
        QCOMPARE(readAllBytes(folder + "O0020"), QByteArray("O0020\nM99\n"));
        QCOMPARE(readAllBytes(folder + "O0030"), QByteArray("O0030\nM30\n"));
        QVERIFY(msgs->sawText("3 File(s) Written To " + folder + " :\nO0010\nO0020\nO0030"));
        QVERIFY(!gSplitBusy);

        // Again, opening the first two files: the files there now are asked
        // about once, while the busy pointer shows.
        writeIni(gCurrentMachineSection, QStringLiteral("FanucLaunch"), QStringLiteral("3"));
        msgs->clear();
        msgs->answer(Msg::AnswerYesToAll);
        QList<bool> busy;
        const Msg::Handler scripted = Msg::setHandler([&](const Msg::Request& r) {
            busy << (QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor);
            return scripted(r);
        });
        dialogsDuring(split, ok);
        Msg::setHandler(scripted);
        QCOMPARE(msgs->texts(), QStringList{folder + "O0010 Already Exists\nReplace It ?"});
        QCOMPARE(busy, QList<bool>{true});
        QVERIFY(!QApplication::overrideCursor());
        QStringList open;
        for (const EditorWindow& w : gWindows)
            if (!w.closed)
                open << w.fileName;
        QVERIFY(open.contains(folder + "O0010") && open.contains(folder + "O0020"));
        QVERIFY(!open.contains(folder + "O0030"));
        QCOMPARE(gWindows[gActiveWindow].fileName, folder + "O0020");

        // The active window, O0020, renaming detected files and doing nothing after:
        // the new file beside the old, nothing asked.
        writeIniValues(gCurrentMachineSection, {{"FanucLaunch", "1"}, {"renameFanucFiles", "1"}});
        msgs->clear();
        dialogsDuring(split, ok);
        QVERIFY(msgs->shown().isEmpty());
        QCOMPARE(readAllBytes(folder + "O0020_2"), QByteArray("O0020\nM99\n"));

        // Files replaced while open: a window without edits shows the new
        // program, one with edits keeps them and is asked about when opened.
        const auto windowOf = [](const QString& path) {
            for (int i = 1; i < gWindows.size(); ++i)
                if (!gWindows[i].closed && gWindows[i].fileName == path)
                    return i;
            return -1;
        };
        const int o10 = windowOf(folder + "O0010"), o20 = windowOf(folder + "O0020");
        QVERIFY(o10 > 0 && o20 > 0);
        mgr->selectWindow(o20);
        QTest::keyClicks(mgr->activeEditor(), "EDIT ");
        mgr->openFileInNewWindow(fileWith(QStringLiteral("dump2.nc"), "O0010\nG01 X5\nM30\nO0020\nM98\n"));
        writeIniValues(gCurrentMachineSection, {{"FanucLaunch", "3"}, {"renameFanucFiles", "0"}});
        msgs->clear();
        msgs->answer(Msg::AnswerYesToAll).answer(Msg::AnswerNo);
        dialogsDuring(split, ok);
        QCOMPARE(readAllBytes(folder + "O0020"), QByteArray("O0020\nM98\n"));
        QVERIFY(msgs->sawText(
            folder + "O0020 Is Open With Changes Not Saved\nReplace Them With The Program Just Split ?"));
        QCOMPARE(mgr->editor(o10)->bytes(), QByteArray("O0010\nG01 X5\nM30\n"));
        QVERIFY(!gWindows[o10].modified && !mgr->editor(o10)->isModified());
        QCOMPARE(mgr->editor(o20)->bytes(), QByteArray("EDIT O0020\nM99\n"));
        QCOMPARE(mgr->activeEditor()->bytes(), QByteArray("O0020\nM98\n")); // opened beside
        // The edited window does not save over the program split beside it unasked.
        mgr->selectWindow(o20);
        msgs->answer(Msg::AnswerNo);
        QVERIFY(!mgr->saveWindowToFile());
        QVERIFY(msgs->sawText(folder + "O0020 Has Changed On Disk"));
        QCOMPARE(readAllBytes(folder + "O0020"), QByteArray("O0020\nM98\n"));
        // The window that took its new program saves without a question.
        mgr->selectWindow(o10);
        msgs->clear();
        QVERIFY(mgr->saveWindowToFile());
        QVERIFY(msgs->shown().isEmpty());
    }

    void aReceiveAllWithItsReceiveFolderLeftEmptySplitsIntoTheProgramFolder() {
        writeIniValues(gCurrentMachineSection,
                       {{"FanucBefore", "1"}, {"FanucLaunch", "1"}, {"ReceiveDirectory", ""}});
        const QString received = fileWith(QStringLiteral("dncR1.TMP"), "O97531\nM30\nO97532\nM30\n");
        const SplitOutcome split = splitFileUp(received, false);
        QCOMPARE(split.written, (QStringList{home->file("97531"), home->file("97532")}));
        QVERIFY(split.complete);
        QCOMPARE(readAllBytes(home->file("97532")), QByteArray("O97532\nM30\n"));
        QVERIFY(!QFile::exists(received));

        // A program named as the received file itself stays once written there.
        writeIni(gCurrentMachineSection, QStringLiteral("FanucUseComment"), QStringLiteral("1"));
        fileWith(QStringLiteral("dncR1.TMP"), "O1(dncR1.TMP)\nM30\nO2\nM30\n");
        msgs->answer(Msg::AnswerYes);
        QVERIFY(splitFileUp(received, false).complete);
        QVERIFY(msgs->sawText(received + " Is The File Being Split"));
        QCOMPARE(readAllBytes(received), QByteArray("O1(dncR1.TMP)\nM30\n"));

        // A window holding edits of a program opened afterwards is asked about a received program.
        writeIniValues(gCurrentMachineSection, {{"FanucUseComment", "0"}, {"FanucLaunch", "2"}});
        mgr->openFileInNewWindow(home->file("97531"));
        QTest::keyClicks(mgr->activeEditor(), "EDIT ");
        fileWith(QStringLiteral("dncR1.TMP"), "O97531\nM30\n");
        msgs->clear();
        msgs->answer(Msg::AnswerYes).answer(Msg::AnswerNo); // replace the file, keep the edits
        QVERIFY(splitFileUp(received, false).complete);
        QCOMPARE(msgs->texts().value(1),
                 "The File " + home->file("97531") +
                     " Is Open With Changes Not Saved\nReplace Them With The Received Program ?");
    }

    // --- merge --------------------------------------------------------------

    void mergePieceTrimsPercentsBetweenPrograms() {
        const QByteArray p("%\nO1\n%\n");
        const struct {
            QByteArray text;
            int i, total;
            bool headerPercent, trailerPercent;
            QByteArray piece;
        } cases[] = {
            {p, 1, 2, true, true, "O1\n"},        {p, 2, 2, true, true, "O1\n"},
            {p, 1, 2, false, false, "%\nO1\n"},  {p, 2, 2, false, false, "O1\n%\n"},
            {p, 2, 3, false, false, "O1\n"},      {p, 1, 1, false, false, "%\nO1\n"},
            {"G01\n\x1a", 1, 1, false, false, "G01\n"},
            // A stripped "%" line goes whole, whatever its line end; a "%" inside a line goes alone.
            {"%\r\nO1%\r\n%%\r%", 2, 3, false, false, "O1\r\n"},
            {"%\n\rO1\n\r%\n\r\rO2\n\r\r%\n", 2, 3, false, false, "O1\n\rO2\n\r\r"},
            // Line ends the send would read as one once the "%" is gone: the blank lines stay.
            {"A\n%\r\rB", 2, 3, false, false, "A\n\nB"},
            {"A\r%\n\nB", 2, 3, false, false, "A\r\rB"},
            {"A\n\r%\r\rB", 2, 3, false, false, "A\n\r\n\rB"},
            {"A\n%\r\r\rB\n%\n\r", 2, 3, false, false, "A\n\n\nB\n"},
            // The halves are those of the text without its 26s: this "%" is in the second.
            {"AB%C\x1a\x1a\x1a\x1a", 1, 2, false, false, "ABC"},
        };
        for (const auto& c : cases) {
            QCOMPARE(mergePiece(c.text, c.i, c.total, true, c.headerPercent, c.trailerPercent), c.piece);
            QCOMPARE(mergePiece(c.text, c.i, c.total, false, c.headerPercent, c.trailerPercent),
                     QByteArray(c.text).replace('\x1a', ""));
        }
    }

    // The merge is one text: a line runs on into the next file, and a "%"
    // line there is gone without taking the line before or a blank line.
    void mergeKeepsTheLinesAcrossFiles() {
        const struct {
            QByteArray first, second, merged;
        } cases[] = {
            {"A", "%\nB\n", "A\nB\n"},
            {"A\n", "%\r\rB\n", "A\n\nB\n"},
            {"A\n%", "\r\rB", "A\n\nB"},  // a "%" line ended in the next file
            {"A\r", "\nB\n", "A\r\nB\n"}, // a CR LF split across the files is one line end
        };
        for (const auto& c : cases) {
            const QString out = home->file(QStringLiteral("merge.$$$"));
            const QStringList files{fileWith(QStringLiteral("a.nc"), c.first),
                                    fileWith(QStringLiteral("b.nc"), c.second)};
            QCOMPARE(mergeFiles(files, true, out), MergeOutcome::Done);
            QCOMPARE(readAllBytes(out), c.merged);
        }
    }

    void mergeTypesAndTheirFiles() {
        writeIniValues(gCurrentMachineSection, {{"SendExtension1", "NC"}, {"ReceiveExtension2", "nc"},
                                                {"ReceiveExtension1", "TXT"}, {"SendExtension2", "MPF"},
                                                {"SendExtension6", "H"}, {"ReceiveExtension6", "EIA"}});
        QCOMPARE(mergeFileTypes(), (QStringList{"NC", "MPF", "H", "TXT", "EIA", "{All Files}"}));
        QVERIFY(hasFileType(QStringLiteral("prog.txt"), QStringLiteral("TXT")));
        QVERIFY(!hasFileType(QStringLiteral("prog.txt.bak"), QStringLiteral("TXT")));
        QVERIFY(hasFileType(QStringLiteral("prog"), QStringLiteral("{All Files}")));
    }

    void mergeReplacesTheOldFileWholeAndAsksAboutAVanishedOne() {
        writeIni(gCurrentMachineSection, QStringLiteral("HeaderSend"), QStringLiteral("37"));
        const QString out = fileWith(QStringLiteral("merge.$$$"), QByteArray(1000, 'Z'));
        const QStringList files{fileWith(QStringLiteral("a.nc"), "%\nO1\n%\n"), home->file(QStringLiteral("gone.nc")),
                                home->path(), fileWith(QStringLiteral("b.nc"), "%\nO2\n%\n")};
        msgs->answer(Msg::AnswerNo);
        QCOMPARE(mergeFiles(files, true, out), MergeOutcome::Stopped);
        QCOMPARE(readAllBytes(out), QByteArray(1000, 'Z'));
        QVERIFY(msgs->sawText("gone.nc No Longer Exists"));
        msgs->answer(Msg::AnswerYes).answer(Msg::AnswerYes);
        QCOMPARE(mergeFiles(files, true, out), MergeOutcome::Done);
        QVERIFY(msgs->sawText(home->path() + " Is A Folder, Not A File"));
        QCOMPARE(readAllBytes(out), QByteArray("O1\nO2\n%\n"));
        QCOMPARE(mergeFiles(files.mid(0, 1), false, home->file(QStringLiteral("no/such/folder/m")), {}),
                 MergeOutcome::Failed);
    }

    void mergeListRemovesTheChosenEntryAndSelectsTheOneAbove() {
        frmMerge dialog;
        QVERIFY(!dialog.Command2[1]->isEnabled());
        QStringList five;
        for (int i = 0; i < 5; ++i)
            five << home->file(QStringLiteral("p%1.nc").arg(i));
        dialog.addFiles(five); // as a drop does
        QVERIFY(dialog.Command2[1]->isEnabled());
        dialog.List2->setCurrentRow(3);
        dialog.Command2_Click(1);
        QCOMPARE(dialog.List2->currentRow(), 2);
        QCOMPARE(dialog.mergeList(), (QStringList{five[0], five[1], five[2], five[4]}));
        QVERIFY(dialog.Frame2->title().contains(QLatin1String(" 4 ")));
        // The file list shows the chosen type in any letter case.
        fileWith(QStringLiteral("src/prog.txt"), "G01\n");
        fileWith(QStringLiteral("src/prog.nc"), "G01\n");
        dialog.setFolder(home->file(QStringLiteral("src")));
        QCOMPARE(dialog.File1->count(), 1);
        QCOMPARE(dialog.File1->item(0)->text(), QStringLiteral("prog.txt"));
    }

    void quitWhileMergingLeavesNoResult() {
        frmMerge dialog;
        dialog.addFiles({fileWith(QStringLiteral("a.nc"), "O1\n"), fileWith(QStringLiteral("b.nc"), "O2\n")});
        gDialogResult = QStringLiteral("x");
        // Remove and Quit while the merge yields: the list holds still, the merge leaves no result.
        QTimer::singleShot(0, &dialog, [&dialog] {
            dialog.List2->setCurrentRow(0);
            dialog.Command2_Click(1);
            dialog.Command1_Click(1);
        });
        dialog.Command1_Click(2);
        QVERIFY(dialog.result() == QDialog::Rejected && gDialogResult == QStringLiteral("x"));
        QCOMPARE(dialog.mergeList().size(), 2);
    }

    // --- printing -----------------------------------------------------------

    void printedLinesAndHeaderCarryTheMarginAndFailuresAreReported() {
        writeIniValues(QStringLiteral("Settings"), {{"PadLeftMargin", "4"}, {"PrintHeader", "1"}});
        EditControl* ed = windowWith("G01 X1\r\nM30\r\n");
        ed->setCaretLine(2);
        const QString today = formatShortDate(QDate::currentDate());
        const QString pdf = printToPdf(false);
        QCOMPARE(leadingSpaces(pdf), (QList<int>{4, 4, 4, 4, 4})); // title, name, date, G01, M30
        const QString words =
            QString::fromLatin1(output(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}));
        QCOMPARE(words.split('\n').mid(0, 3), (QStringList{"Feedline", ed->tag(), "Printed On - " + today}));
        writeIni(QStringLiteral("Settings"), QStringLiteral("PrintHeader"), QStringLiteral("0"));
        QCOMPARE(leadingSpaces(printToPdf(false)), (QList<int>{4, 4}));
        QCOMPARE(ed->caretLine(), 2);
        // An output path under a plain file: the message, the caret where it was.
        fileWith(QStringLiteral("plain"), "x");
        printToPdf(false, home->file(QStringLiteral("plain/out.pdf")));
        QVERIFY(msgs->sawText("plain/out.pdf"));
        QCOMPARE(ed->caretLine(), 2);
        QVERIFY(!gPrinting && !QApplication::overrideCursor());
        msgs->clear();
        // A line wider than the page goes on below at the margin, nothing cut off.
        windowWith("N1 " + QByteArray(300, 'X') + " END\r\n");
        const QString wide = printToPdf(false);
        const QList<int> wrapped = leadingSpaces(wide);
        QVERIFY(wrapped.size() > 2 && wrapped.count(4) == wrapped.size());
        const QByteArray text = output(QStringLiteral("pdftotext"), {wide, QStringLiteral("-")});
        QVERIFY(QByteArray(text).replace('\n', "").contains("N1 " + QByteArray(300, 'X') + " END"));
        // A cancelled print dialog prints nothing.
        QVERIFY(QFile::remove(wide));
        setPrintDialogRunner([](QPrinter&, bool) { return false; });
        printWindow(false);
        QVERIFY(!QFile::exists(wide) && msgs->shown().isEmpty());
    }

    void aPrintToAFileProposesTheProgramsOwnNameInAFolderThatExists() {
        mgr->openFileInNewWindow(fileWith(QStringLiteral("progs/O1001.nc"), "G01\r\n"));
        setPrintDialogRunner(nullptr);
        const auto proposal = [&](const QString& lastPdf) {
            sessionPrinter().setOutputFileName(lastPdf);
            sessionPrinter().setOutputFormat(QPrinter::PdfFormat);
            QString file = QStringLiteral("-");
            dialogsDuring([] { printWindow(false); }, std::function<void(QPrintDialog*)>([&](QPrintDialog* d) {
                              if (const auto* edit = d->findChild<QLineEdit*>(QStringLiteral("filename")))
                                  file = edit->text();
                              d->reject();
                          }));
            return file;
        };
        QCOMPARE(proposal(QString()), home->file("progs/O1001.pdf"));
        QCOMPARE(proposal(home->file("O1000.pdf")), home->file("O1001.pdf")); // where the last one went
        QDir(home->file("progs")).removeRecursively();
        QCOMPARE(proposal(home->file("gone/O1000.pdf")), QDir::home().filePath("O1001.pdf"));
    }

    void colourPrintingUsesBlockColoursButNeverWhite() {
        gBlockColours[24] = 0x0000FF; // X red
        gBlockColours[7] = 0xFFFFFF;  // G white
        gColourizeBlocks = false;
        windowWith("X12345678 X12345678\n");
        auto [red, dark] = redAndDark(printToPdf(true));
        QVERIFY(red > 0);
        QCOMPARE(redAndDark(printToPdf(false)).first, 0); // black and white has no colour
        mgr->activeEditor()->setBytes("G12345678 G12345678\n");
        std::tie(red, dark) = redAndDark(printToPdf(true));
        QCOMPARE(red, 0);
        QVERIFY(dark > 0); // white prints black
        QVERIFY(!gColourizeBlocks);
    }
};

QTEST_MAIN(EditorToolsTest)
#include "EditorToolsTest.moc"
