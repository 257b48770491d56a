// The mission selection window: its start state, enabling "Next", and its look.
#include "form1.h"
#include "testprogram.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

using Window = Program::Window;

class Form1Test : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setUpTestApplication(); }

    void startState()
    {
        TestProgram t;
        t.program.start();
        Form1 &w = t.program.form1();
        auto *list = control<QListWidget>(w, "List2");
        QVERIFY(list);
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("Guess who's coming tonight"));
        QVERIFY(list->selectedItems().isEmpty());
        QVERIFY(!control<QPushButton>(w, "Command1")->isEnabled());
        QCOMPARE(w.focusWidget(), list);
        QCOMPARE(control<QLabel>(w, "Label3")->text(),
                 QStringLiteral("This is still experimental version which allows you to modify "
                                "only Green Beret and only in Mission Pack Demo"));
        QVERIFY(control<QLabel>(w, "Label3")->wordWrap());
        QCOMPARE(w.windowTitle(), QStringLiteral("Tobrin's Mustrel"));
        QCOMPARE(w.size(), QSize(512, 383));
        QVERIFY(!w.windowIcon().isNull());

        // A disabled "Next" does nothing when clicked.
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QVERIFY(!t.program.isLoaded(Window::gb));
    }

    void selectingEnablesNext_data()
    {
        QTest::addColumn<bool>("byMouse");
        QTest::newRow("mouse") << true;
        QTest::newRow("keyboard") << false;
    }

    void selectingEnablesNext()
    {
        QFETCH(bool, byMouse);
        TestProgram t;
        t.program.start();
        auto *list = control<QListWidget>(t.program.form1(), "List2");
        auto *next = control<QPushButton>(t.program.form1(), "Command1");
        if (byMouse)
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(0)).center());
        else
            QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->selectedItems().size(), 1);
        QVERIFY(next->isEnabled());

        // "Next", "Back", "Next" again: no second selection needed, still one mission.
        QTest::mouseClick(next, Qt::LeftButton);
        QVERIFY(t.program.sheet().isVisible());
        QVERIFY(!t.program.form1().isVisible());
        t.program.backFromSheet();
        QVERIFY(next->isEnabled());
        QTest::mouseClick(next, Qt::LeftButton);
        QVERIFY(t.program.sheet().isVisible());
        t.program.backFromSheet();
        QCOMPARE(list->count(), 1);

        // Moving off the item never disables "Next" again.
        list->clearSelection();
        QVERIFY(next->isEnabled());
    }

    void look_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<double>("points");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QColor>("text");

        const QColor standard; // invalid: the control keeps the system's colours
        // Pixels at 96 dpi, each relative to the window or to the frame holding it.
        QTest::newRow("Label2") << "Label2" << QRect(8, 8, 409, 33) << 18.0 << true
                                << QColor(255, 0, 0);
        QTest::newRow("Label3") << "Label3" << QRect(16, 40, 433, 57) << 12.0 << false
                                << QColor(0, 128, 0);
        QTest::newRow("Frame1") << "Frame1" << QRect(8, 112, 161, 201) << 9.75 << false
                                << QColor(255, 0, 0);
        QTest::newRow("Frame2") << "Frame2" << QRect(176, 112, 185, 201) << 9.75 << false
                                << QColor(255, 0, 0);
        QTest::newRow("List2") << "List2" << QRect(16, 24, 153, 158) << 8.25 << false << standard;
        QTest::newRow("Command1") << "Command1" << QRect(320, 344, 89, 25) << 9.75 << false
                                  << standard;
        QTest::newRow("Command2") << "Command2" << QRect(416, 344, 89, 25) << 9.75 << false
                                  << standard;
    }

    void look()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(double, points);
        QFETCH(bool, bold);
        QFETCH(QColor, text);

        TestProgram t;
        Form1 &w = t.program.form1();
        auto *c = w.findChild<QWidget *>(name);
        QVERIFY(c);
        QCOMPARE(c->geometry(), geometry);
        QCOMPARE(c->font().family(), QStringLiteral("Arial"));
        QCOMPARE(c->font().pointSizeF(), points);
        QCOMPARE(c->font().bold(), bold);
        QVERIFY(!c->font().italic() && !c->font().underline());
        if (text.isValid())
            QCOMPARE(c->palette().color(QPalette::WindowText), text);
        else
            QCOMPARE(c->palette().color(QPalette::Active, QPalette::Text),
                     QApplication::palette().color(QPalette::Active, QPalette::Text));
        if (qobject_cast<QGroupBox *>(c)) {
            QCOMPARE(c->palette().color(QPalette::Window), QColor(0, 0, 0));
            QCOMPARE(c->focusPolicy(), Qt::NoFocus);
        }
        if (qobject_cast<QLabel *>(c))
            QCOMPARE(c->focusPolicy(), Qt::NoFocus);
        QCOMPARE(w.palette().color(QPalette::Window), QColor(0, 0, 0));
    }

    void tabOrder()
    {
        TestProgram t;
        Form1 &w = t.program.form1();
        QStringList chain;
        QWidget *first = control<QWidget>(w, "Command1");
        for (QWidget *c = first; chain.size() < 3; c = c->nextInFocusChain()) {
            if (c->focusPolicy() & Qt::TabFocus)
                chain << c->objectName();
        }
        QCOMPARE(chain, QStringList({"Command1", "List2", "Command2"}));
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
