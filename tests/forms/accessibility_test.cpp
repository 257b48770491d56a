// What a screen reader says of each window (a window or a dialog), of each control that takes
// the keyboard focus, and of the portrait and the title; the texts the user reads stay as designed
// (the windows' look tests check them).
#include "testprogram.h"

#include <QAccessible>

#include <algorithm>
#include <cmath>

namespace
{

QString said(QWidget *c, QAccessible::Text what = QAccessible::Name)
{
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(c);
    return a ? a->text(what) : QString();
}

// WCAG's relative luminance and contrast ratio.
double luminance(QRgb c)
{
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
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
        QWidget &w = window == "Form1" ? static_cast<QWidget &>(t.program.form1())
                     : window == "gb"  ? static_cast<QWidget &>(t.program.sheet())
                                       : t.program.form2();
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
        QTest::addColumn<QString>("before"); // where the focus comes from
        // clang-format off
        QTest::newRow("list")                 << "Form1" << "List2"      << "Command2";
        QTest::newRow("button")               << "gb"    << "Command2"   << "Command1";
        QTest::newRow("check box on black")   << "gb"    << "visibility" << "Command1";
        QTest::newRow("check box in a frame") << "gb"    << "ck_gun"     << "Command1";
        QTest::newRow("appearance list")      << "gb"    << "grafico"    << "Command1";
        QTest::newRow("folder list")          << "Form2" << "Dir1"       << "Text1";
        QTest::newRow("dialog button")        << "Form2" << "Command2"   << "Text1";
        // clang-format on
    }

    // A control that gets the keyboard focus (by Tab) shows it: enough of its pixels change, and
    // they stand out from what was there before at least 3 to 1, as a focus indicator should.
    void keyboardFocusIsVisible()
    {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QString, before);
        TestProgram t;
        t.program.start();
        if (window != "Form1")
            t.program.nextFromSelection();
        if (window == "Form2")
            t.program.showSaveDialog();
        QWidget &w = window == "Form1" ? static_cast<QWidget &>(t.program.form1())
                     : window == "gb"  ? static_cast<QWidget &>(t.program.sheet())
                                       : t.program.form2();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QWidget *c = child(w, qPrintable(control));
        child(w, qPrintable(before))->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(!c->hasFocus());
        const QImage without = drawn(c);
        c->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(c->hasFocus());
        const QImage with = drawn(c);
        int standingOut = 0;
        for (int y = 0; y < with.height(); ++y)
            for (int x = 0; x < with.width(); ++x)
                standingOut += contrast(with.pixel(x, y), without.pixel(x, y)) >= 3.0;
        // Half the control's outline at least.
        QVERIFY2(
            standingOut >= c->width() + c->height(),
            qPrintable(QString("%1 pixels of %2").arg(standingOut).arg(c->width() + c->height())));
    }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
