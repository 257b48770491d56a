// What a screen reader says of each window (a window or a dialog), of each control that takes
// the keyboard focus, and of the portrait and the title; the texts the user reads stay as designed
// (the windows' look tests check them).
#include "testprogram.h"

#include <QAccessible>

#include <cstdlib>

namespace
{

QString said(QWidget *c, QAccessible::Text what = QAccessible::Name)
{
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(c);
    return a ? a->text(what) : QString();
}

// The control and a margin of 3 pixels around it, as drawn in its window.
QImage drawn(QWidget *c)
{
    return c->window()
        ->grab(c->geometry()
                   .translated(c->parentWidget()->mapTo(c->window(), QPoint()))
                   .adjusted(-3, -3, 3, 3))
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void everyFocusableControlHasAName_data()
    {
        QTest::addColumn<QString>("window");
        // "control=name" for the controls without a caption of their own; "control~description"
        // where the platform names the control by its value.
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("role");
        QTest::newRow("selection")
            << "Form1" << QStringList{"List2=Mission Pack", "Label2=TOBRIN'S MUSTREL V.00"}
            << int(QAccessible::Window);
        QTest::newRow("sheet") << "gb"
                               << QStringList{"grafico=Appearance", "foto=Portrait: GB_Normal"}
                               << int(QAccessible::Window);
        QTest::newRow("save dialog") << "Form2"
                                     << QStringList{"Dir1=Folder", "Text1=Save as:", "Drive1=Drive",
                                                    "Drive1~The drive the mission is saved on"}
                                     << int(QAccessible::Dialog);
    }

    void everyFocusableControlHasAName()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, names);
        QFETCH(int, role);
        TestProgram t;
        t.program.start();
        t.program.nextFromSelection();
        t.program.showSaveDialog();
        QWidget &w = window == "Form1" ? static_cast<QWidget &>(t.program.selection())
                     : window == "gb"  ? static_cast<QWidget &>(t.program.sheet())
                                       : t.program.saveDialog();
        QCOMPARE(int(QAccessible::queryAccessibleInterface(&w)->role()), role);
        const auto *drive = w.findChild<QComboBox *>("Drive1");
        if (drive) // its value, as on every platform
            QCOMPARE(said(const_cast<QComboBox *>(drive), QAccessible::Value),
                     drive->currentText());
        for (const QString &expected : names) {
            const QChar kind = expected.contains('=') ? '=' : '~';
            const QString name = expected.section(kind, 0, 0);
            QWidget *c = child(w, qPrintable(name));
            QCOMPARE(name + kind +
                         said(c, kind == '=' ? QAccessible::Name : QAccessible::Description),
                     expected);
        }
        for (QWidget *c : w.findChildren<QWidget *>())
            if ((c->focusPolicy() & Qt::TabFocus) && c->isEnabled() && c->isVisibleTo(&w))
                QVERIFY2(!said(c).isEmpty(), qPrintable(c->objectName()));
    }

    void keyboardFocusIsVisible_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        // clang-format off
        QTest::newRow("list")                 << "Form1" << "List2";
        QTest::newRow("button")               << "gb"    << "Command2";
        QTest::newRow("check box in a frame") << "gb"    << "ck_gun";
        QTest::newRow("folder list")          << "Form2" << "Dir1";
        // clang-format on
    }

    // A control that gets the keyboard focus (by Tab) shows it: along half its outline at least,
    // pixels change by half the grey scale or more.
    void keyboardFocusIsVisible()
    {
        QFETCH(QString, window);
        QFETCH(QString, control);
        TestProgram t;
        t.program.start();
        if (window != "Form1")
            t.program.nextFromSelection();
        if (window == "Form2")
            t.program.showSaveDialog();
        QWidget &w = window == "Form1" ? static_cast<QWidget &>(t.program.selection())
                     : window == "gb"  ? static_cast<QWidget &>(t.program.sheet())
                                       : t.program.saveDialog();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QWidget *c = child(w, qPrintable(control));
        c->clearFocus();
        const QImage without = drawn(c);
        c->setFocus(Qt::TabFocusReason);
        QVERIFY(c->hasFocus());
        const QImage with = drawn(c);
        int changed = 0;
        for (int y = 0; y < with.height(); ++y)
            for (int x = 0; x < with.width(); ++x)
                changed += std::abs(qGray(with.pixel(x, y)) - qGray(without.pixel(x, y))) >= 128;
        QVERIFY2(changed >= c->width() + c->height(), qPrintable(QString::number(changed)));
    }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
