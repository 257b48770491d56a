// The program's windows as single instances, the navigation between them and every way out.
#include "form.h"
#include "testprogram.h"

#include <QCloseEvent>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

using Window = Program::Window;

namespace
{

enum class Way { Form1Exit, Form1Closed, SheetExit, SheetClosed, Form1Unloaded, SheetUnloaded };

void closeWindow(QWidget &window)
{
    QCloseEvent event;
    QApplication::sendEvent(&window, &event);
}

void go(Program &program, Way way)
{
    switch (way) {
    case Way::Form1Exit:
        QTest::mouseClick(control<QPushButton>(program.form1(), "Command2"), Qt::LeftButton);
        break;
    case Way::Form1Closed:
        closeWindow(program.form1());
        break;
    case Way::SheetExit:
        QTest::mouseClick(control<QPushButton>(program.sheet(), "Command3"), Qt::LeftButton);
        break;
    case Way::SheetClosed:
        closeWindow(program.sheet());
        break;
    case Way::Form1Unloaded:
        program.unload(Window::Form1);
        break;
    case Way::SheetUnloaded:
        program.unload(Window::gb);
        break;
    }
}

void selectMissionAndGoNext(Program &program)
{
    auto *list = control<QListWidget>(program.form1(), "List2");
    list->setCurrentRow(0);
    QTest::mouseClick(control<QPushButton>(program.form1(), "Command1"), Qt::LeftButton);
}

} // namespace

class ProgramTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setUpTestApplication(); }

    void startShowsOnlyTheSelection()
    {
        TestProgram t;
        t.program.start();
        QVERIFY(t.program.form1().isVisible());
        QVERIFY(!t.program.isLoaded(Window::gb));
        QVERIFY(!t.program.isLoaded(Window::Form2));
        QVERIFY(t.program.gb_anim().isEmpty());
    }

    void loadRunsOnceAndHidingKeepsValues()
    {
        TestProgram t;
        t.program.start();
        auto *list = control<QListWidget>(t.program.form1(), "List2");
        list->setCurrentRow(0);
        for (int i = 0; i < 3; ++i) {
            t.program.hide(Window::Form1);
            t.program.show(Window::Form1);
        }
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(control<QPushButton>(t.program.form1(), "Command1")->isEnabled());
    }

    void unloadDiscardsAndALaterUseReloads()
    {
        TestProgram t;
        QPointer<Form> first = &t.program.form2();
        first->setWindowTitle(QStringLiteral("changed"));
        t.program.unload(Window::Form2);
        QVERIFY(!t.program.isLoaded(Window::Form2));
        QTRY_VERIFY(first.isNull());
        QCOMPARE(t.program.form2().windowTitle(), QStringLiteral("Save Mission"));
        QCOMPARE(t.ends, 0);

        // Unloading a window that is not loaded does nothing, not even load it first.
        t.program.unload(Window::gb);
        QVERIFY(!t.program.isLoaded(Window::gb));
        QCOMPARE(t.ends, 0);
    }

    void navigation()
    {
        TestProgram t;
        t.program.start();
        selectMissionAndGoNext(t.program);
        QVERIFY(t.program.sheet().isVisible());
        QVERIFY(!t.program.form1().isVisible());
        QCOMPARE(t.program.gb_anim(), QStringLiteral("COMANDO"));

        t.program.showSaveDialog();
        QVERIFY(t.program.form2().isVisible());
        QVERIFY(t.program.sheet().isVisible());
        t.program.hideSaveDialog();
        QVERIFY(!t.program.form2().isVisible());
        QVERIFY(t.program.sheet().isVisible());
        QCOMPARE(t.ends, 0);
    }

    void backBeforeTheDialogCreatesItHidden()
    {
        TestProgram t;
        t.program.start();
        selectMissionAndGoNext(t.program);
        QVERIFY(!t.program.isLoaded(Window::Form2));
        t.program.backFromSheet();
        QVERIFY(t.program.isLoaded(Window::Form2));
        QVERIFY(!t.program.form2().isVisible());
        QVERIFY(!t.program.sheet().isVisible());
        QVERIFY(t.program.form1().isVisible());
    }

    void dialogCloseBoxUnloadsOnlyTheDialog()
    {
        TestProgram t;
        t.program.start();
        selectMissionAndGoNext(t.program);
        t.program.showSaveDialog();
        closeWindow(t.program.form2());
        QVERIFY(!t.program.isLoaded(Window::Form2));
        QVERIFY(t.program.sheet().isVisible());
        QCOMPARE(t.ends, 0);
    }

    void everyWayOutEndsTheProgramOnce_data()
    {
        QTest::addColumn<Way>("way");
        QTest::addColumn<bool>("onSheet");
        QTest::addColumn<bool>("dialogOpen");
        const struct {
            const char *name;
            Way way;
            bool onSheet;
        } ways[] = {
            {"Exit on the selection", Way::Form1Exit,     false},
            {"selection closed",      Way::Form1Closed,   false},
            {"selection unloaded",    Way::Form1Unloaded, false},
            {"Exit on the sheet",     Way::SheetExit,     true },
            {"sheet closed",          Way::SheetClosed,   true },
            {"sheet unloaded",        Way::SheetUnloaded, true },
        };
        for (const auto &w : ways) {
            QTest::addRow("%s", w.name) << w.way << w.onSheet << false;
            QTest::addRow("%s, dialog open", w.name) << w.way << w.onSheet << true;
        }
    }

    void everyWayOutEndsTheProgramOnce()
    {
        QFETCH(Way, way);
        QFETCH(bool, onSheet);
        QFETCH(bool, dialogOpen);

        TestProgram t;
        t.program.start();
        if (onSheet || dialogOpen) {
            selectMissionAndGoNext(t.program);
            if (dialogOpen)
                t.program.showSaveDialog();
            if (!onSheet) {
                t.program.backFromSheet();
                // "Back" hides the dialog; put it on screen again beside the selection.
                if (dialogOpen)
                    t.program.show(Window::Form2);
            }
        }

        QPointer<QWidget> windows[] = {
            &t.program.form1(),
            t.program.isLoaded(Window::gb) ? &t.program.sheet() : nullptr,
            t.program.isLoaded(Window::Form2) ? &t.program.form2() : nullptr,
        };
        go(t.program, way);

        QCOMPARE(t.ends, 1);
        QVERIFY(t.program.hasEnded());
        for (auto &w : windows)
            QVERIFY(!w || !w->isVisible());
        QVERIFY(!t.program.isLoaded(Window::Form1));
        QVERIFY(!t.program.isLoaded(Window::gb));
        QVERIFY(!t.program.isLoaded(Window::Form2));

        // Nothing runs after the end, and ending again is not a second end.
        t.program.showSaveDialog();
        t.program.nextFromSelection();
        t.program.endProgram();
        QCOMPARE(t.ends, 1);
        QVERIFY(!t.program.isLoaded(Window::Form2));
        QVERIFY(!t.program.isLoaded(Window::gb));
        for (auto &w : windows)
            QTRY_VERIFY(w.isNull());
    }
};

QTEST_MAIN(ProgramTest)
#include "program_test.moc"
