// The keyboard as a user meets it on a desktop: a window manager activates each window and gives
// it the focus, so keys go to the control that holds the focus, in the state that gaining the
// focus left it in. Bare Xvfb has no window manager, so these cases run through
// tests/desktop.py, which starts Xvfb and openbox; anywhere else they are skipped.
#include "testprogram.h"

namespace
{

QWidget *focused()
{
    return QApplication::focusWidget();
}

void press(Qt::Key key)
{
    QVERIFY(focused());
    QTest::keyClick(focused(), key);
}

} // namespace

class KeyboardTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs a display with a window manager: run it through tests/desktop.py");
    }

    void arrowKeySelectsTheMission_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::newRow("Down") << Qt::Key_Down;
        QTest::newRow("Up") << Qt::Key_Up;
    }

    // The list has the focus as the window opens; one arrow key selects the one mission, and
    // "Next" is then reached and pressed from the keyboard.
    void arrowKeySelectsTheMission()
    {
        QFETCH(Qt::Key, key);
        TestProgram t;
        t.program.start();
        Form1 &w = t.program.form1();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *list = child<QListWidget>(w, "List2");
        auto *next = child(w, "Command1");
        QTRY_COMPARE(focused(), list);
        QCOMPARE(list->currentRow(), 0); // what gaining the focus does: current, not selected
        QVERIFY(list->selectedItems().isEmpty() && !next->isEnabled());

        press(key);
        QCOMPARE(list->selectedItems().size(), 1);
        QVERIFY(next->isEnabled());
        press(Qt::Key_Backtab);
        QCOMPARE(focused(), next);
        press(Qt::Key_Space);
        QTRY_VERIFY(t.program.sheet().isVisible() && !w.isVisible());
    }

    // From "Save Mission", where the sheet opens, Shift+Tab twice reaches the appearance list;
    // Up, which cannot move above the item that gaining the focus made current, selects it, and
    // each Down the next item: every step changes the portrait's name and the token.
    void arrowKeysWalkTheAppearances()
    {
        TestProgram t;
        t.program.start();
        t.program.nextFromSelection();
        gb &w = t.program.sheet();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTRY_COMPARE(focused(), child(w, "Command1"));
        press(Qt::Key_Backtab);
        press(Qt::Key_Backtab);
        auto *list = child<QListWidget>(w, "grafico");
        QCOMPARE(focused(), list);
        QVERIFY(list->selectedItems().isEmpty());

        QStringList walked;
        for (int step = 0; step < list->count(); ++step) {
            press(step == 0 ? Qt::Key_Up : Qt::Key_Down);
            walked << list->selectedItems().value(0)->text() + ' ' +
                          child(w, "foto")->accessibleName() + ' ' + t.program.gb_anim();
        }
        QCOMPARE(walked, QStringList({"GB_Normal Portrait: GB_Normal COMANDO",
                                      "GB_Desert(disabled) Portrait: GB_Desert(disabled) COMANDO",
                                      "Sniper Portrait: Sniper FRANCOT",
                                      "Driver Portrait: Driver MECANIC", "Spy Portrait: Spy ESPIA",
                                      "Nazi General Portrait: Nazi General OFFICIAL",
                                      "Nazi Officer Portrait: Nazi Officer CABO",
                                      "Nazi Soldier Portrait: Nazi Soldier ALEMAN2",
                                      "Nazi Patrolman Portrait: Nazi Patrolman ALEGABAR"}));
    }
};

QTEST_MAIN(KeyboardTest)
#include "keyboard_test.moc"
