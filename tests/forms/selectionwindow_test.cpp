// The mission selection window: its start state and look, and enabling "Next".
#include "testprogram.h"

class SelectionWindowTest : public QObject
{
    Q_OBJECT

private slots:
    // By mouse; the keyboard's way, which needs a window with the focus, is the keyboard test's.
    void selectingEnablesNext()
    {
        TestProgram t;
        t.program.start();
        SelectionWindow &w = t.program.selection();
        auto *list = child<QListWidget>(w, "List2");
        auto *next = child(w, "Command1");
        QVERIFY(list->selectedItems().isEmpty());
        QCOMPARE(w.focusWidget(), list);
        QVERIFY(!next->isEnabled()); // and a click does nothing
        QTest::mouseClick(next, Qt::LeftButton);
        QVERIFY(!t.program.isLoaded(Program::Window::Sheet));

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(0)).center());
        QCOMPARE(list->selectedItems().size(), 1);
        // "Next", "Back", "Next" again: no second selection needed, still one mission.
        for (int i = 0; i < 2; ++i) {
            QVERIFY(next->isEnabled());
            QTest::mouseClick(next, Qt::LeftButton);
            QVERIFY(t.program.sheet().isVisible() && !w.isVisible());
            t.program.backFromSheet();
            QCOMPARE(list->count(), 1);
        }
    }

    void look()
    {
        TestProgram t;
        SelectionWindow &w = t.program.selection();
        checkLook(w, "Tobrin's Mustrel", {512, 383},
                  {"Label2 [ TOBRIN'S MUSTREL V.00] 8,8 409x33 Arial 18 bold #ff0000",
                   "Label3 [This is still experimental version which allows you to modify only "
                   "Green Beret and only in Mission Pack Demo] 16,40 433x57 Arial 12 #008000",
                   "Frame1 [Commandos: BEL] 8,112 161x201 Arial 9.75 #ff0000 on #000000",
                   "Frame2 [Mission Pack] 176,112 185x201 Arial 9.75 #ff0000 on #000000",
                   "Frame2/List2 [Guess who's coming tonight] 16,24 153x158 Arial 8.25 standard",
                   "Command1 [Next] 320,344 89x25 Arial 9.75 standard",
                   "Command2 [Exit] 416,344 89x25 Arial 9.75 standard"});
        QCOMPARE(tabChain(child(w, "Command1")), QStringList({"Command1", "List2", "Command2"}));
    }
};

QTEST_MAIN(SelectionWindowTest)
#include "selectionwindow_test.moc"
