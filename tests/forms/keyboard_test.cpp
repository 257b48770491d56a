// The keyboard as a user meets it on a desktop, where a window manager activates the window and
// gives it the focus: keys reach the control in the state that gaining the focus left it in.
// Bare Xvfb has no window manager, so this runs through tests/desktop.py (Xvfb and openbox);
// anywhere else it is skipped.
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
        SelectionWindow &w = t.program.selection();
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

    // "Save Mission" brings the save dialog forward and gives it the keyboard, the first time and
    // when it is already open behind the sheet.
    void saveMissionBringsTheDialogForward()
    {
        OnSheet s;
        QVERIFY(QTest::qWaitForWindowActive(&s.sheet()));
        SaveDialog &dialog = s.t.program.saveDialog();
        for (int save = 0; save < 2; ++save) {
            s.sheet().activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&s.sheet()));
            s.saveMission();
            QTRY_VERIFY(dialog.isActiveWindow());
            QCOMPARE(QApplication::focusWidget() ? QApplication::focusWidget()->window() : nullptr,
                     &dialog);
        }
    }
};

QTEST_MAIN(KeyboardTest)
#include "keyboard_test.moc"
