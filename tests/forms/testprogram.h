#pragma once

#include "charactersheet.h"
#include "look.h"
#include "program.h"
#include "savedialog.h"
#include "selectionwindow.h"

#include <QtTest>
#include <QtWidgets>

// A program whose end is counted instead of leaving the test's event loop; the first one sets
// up the program's look.
struct TestProgram {
    TestProgram() { [[maybe_unused]] static bool once = (look::setUpApplication(*qApp), true); }
    int ends = 0;
    Program program{[this] { ++ends; }};
};

template <typename T = QWidget> T *child(QWidget &window, const char *name)
{
    if (T *c = window.findChild<T *>(name))
        return c;
    qFatal("no control named %s", name);
}

// A program on the character sheet, run in a scratch copy of the shipped workspace that is the
// current folder while it lives.
struct OnSheet {
    const QString previous = QDir::currentPath();
    QTemporaryDir dir;
    QString start;
    TestProgram t;
    OnSheet()
    {
        const QDir source(TM_SOURCE_DIR "/tobrinmis");
        QDir(dir.path()).mkdir("tobrinmis");
        for (const QString &name : source.entryList(QDir::Files))
            QFile::copy(source.filePath(name), dir.filePath("tobrinmis/" + name));
        QDir::setCurrent(dir.path());
        start = QDir::currentPath();
        t.program.start();
        t.program.nextFromSelection();
    }
    ~OnSheet() { QDir::setCurrent(previous); }
    CharacterSheet &sheet() { return t.program.sheet(); }
    void saveMission() { QTest::mouseClick(child(sheet(), "Command1"), Qt::LeftButton); }
};

inline QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "(missing)";
}

// Runs `action`, answering each message box it opens with OK, or with the button whose text is
// the next of `answers` ("Yes", "No", "Save anyway", "Cancel"); returns what each one said as
// "title|icon|modality|text|further text", the icon "info", "error", "warning", "question" or
// "other", the modality "application" (modal to the whole program), "window" or "none".
inline QStringList answerMessages(const std::function<void()> &action, QStringList answers = {})
{
    QStringList said;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&said, &answers] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            const char *icon = box->icon() == QMessageBox::Information ? "info"
                               : box->icon() == QMessageBox::Critical  ? "error"
                               : box->icon() == QMessageBox::Warning   ? "warning"
                               : box->icon() == QMessageBox::Question  ? "question"
                                                                       : "other";
            const char *modality = box->windowModality() == Qt::ApplicationModal ? "application"
                                   : box->windowModality() == Qt::WindowModal    ? "window"
                                                                                 : "none";
            said << QString("%1|%2|%3|%4|%5")
                        .arg(box->windowTitle(), icon, modality, box->text(),
                             box->informativeText());
            QAbstractButton *press = box->button(QMessageBox::Ok);
            if (!answers.isEmpty()) {
                const QString wanted = answers.takeFirst();
                press = nullptr;
                for (QAbstractButton *b : box->buttons())
                    if (b->text().remove('&') == wanted)
                        press = b;
            }
            if (!press)
                qFatal("no button to answer \"%s\" with", qPrintable(box->text()));
            press->click();
        }
    });
    answer.start(0);
    action();
    return said;
}

// The texts the user reads on a control, each in brackets and followed by a blank: a label's, a
// frame's title, a button's or a check box's, or each item of a list.
inline QString textsOf(const QWidget &c)
{
    QStringList texts;
    if (const auto *label = qobject_cast<const QLabel *>(&c))
        texts << label->text();
    else if (const auto *frame = qobject_cast<const QGroupBox *>(&c))
        texts << frame->title();
    else if (const auto *button = qobject_cast<const QAbstractButton *>(&c))
        texts << button->text();
    else if (const auto *list = qobject_cast<const QListWidget *>(&c))
        for (int row = 0; row < list->count(); ++row)
            texts << list->item(row)->text();
    QString bracketed;
    for (const QString &text : texts)
        bracketed += text.isEmpty() ? QString() : '[' + text + "] ";
    return bracketed;
}

// How an error box's answer begins: the program's name, the error icon, modal to the whole
// program.
inline const QString kErrorBox = "Tobrin's Mustrel|error|application|";

// A control's look: "[frame/]name [text]... x,y wxh font colours", its texts (textsOf), its place
// in pixels, "Arial <points> [bold]" or "system", its text colour or "standard" (the system's),
// then " on <colour>" for a coloured button face or a filled background and " dim <colour>" for a
// disabled control's own text colour.
inline QString lookOf(const QWidget &c)
{
    const QPalette &p = c.palette(), &system = QApplication::palette();
    const auto own = [&](QPalette::ColorGroup group, QPalette::ColorRole role) {
        const QColor colour = p.color(group, role);
        return colour == system.color(group, role) ? QString() : colour.name();
    };
    const QString text = own(QPalette::Active, QPalette::WindowText);
    const QString face = own(QPalette::Active, QPalette::Button);
    const QString dim = c.isEnabled() ? "" : own(QPalette::Disabled, QPalette::WindowText);
    const QFont f = c.font();
    const QRect r = c.geometry();
    const QWidget *frame = c.parentWidget() == c.window() ? nullptr : c.parentWidget();
    return (frame ? frame->objectName() + '/' : QString()) + c.objectName() + ' ' + textsOf(c) +
           QString::asprintf("%d,%d %dx%d ", r.x(), r.y(), r.width(), r.height()) +
           (f == QApplication::font(&c)
                ? "system"
                : QString::asprintf("%s %g%s", qPrintable(f.family()), f.pointSizeF(),
                                    f.bold() ? " bold" : "")) +
           ' ' + (text.isEmpty() ? "standard" : text) +
           (!face.isEmpty()          ? " on " + face
            : c.autoFillBackground() ? " on " + p.color(QPalette::Active, c.backgroundRole()).name()
                                     : QString()) +
           (dim.isEmpty() ? QString() : " dim " + dim);
}

// The window's title, size, icon and black background, and the look of each control.
inline void checkLook(QWidget &window, const char *title, QSize size, const QStringList &looks)
{
    QCOMPARE(window.windowTitle(), title);
    QCOMPARE(window.size(), size);
    QVERIFY(!window.windowIcon().isNull());
    QCOMPARE(window.palette().color(QPalette::Window), QColor(Qt::black));
    QStringList actual;
    for (const QString &look : looks)
        actual << lookOf(*child(window, qPrintable(look.section(' ', 0, 0).section('/', -1))));
    QCOMPARE(actual, looks);
}

// The named controls that Tab reaches, once round from `first`.
inline QStringList tabChain(QWidget *first)
{
    QStringList chain;
    QWidget *c = first;
    do {
        if ((c->focusPolicy() & Qt::TabFocus) && !c->objectName().isEmpty())
            chain << c->objectName();
    } while ((c = c->nextInFocusChain()) != first);
    return chain;
}
