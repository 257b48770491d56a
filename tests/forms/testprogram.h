#pragma once

#include "form1.h"
#include "form2.h"
#include "gb.h"
#include "look.h"
#include "program.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// A program whose end is counted instead of leaving the test's event loop.
struct TestProgram {
    int ends = 0;
    Program program{[this] { ++ends; }};
};

// A scratch folder with a copy of the shipped workspace, made the current folder for the
// lifetime of the object; the previous current folder comes back afterwards.
class ScratchWorkspace
{
public:
    ScratchWorkspace() : previous_(QDir::currentPath())
    {
        QVERIFY(dir_.isValid());
        const QDir source(QStringLiteral(TM_SOURCE_DIR "/tobrinmis"));
        QDir(dir_.path()).mkdir(QStringLiteral("tobrinmis"));
        for (const QString &name : source.entryList(QDir::Files))
            QFile::copy(source.filePath(name), dir_.filePath(QStringLiteral("tobrinmis/") + name));
        QDir::setCurrent(dir_.path());
    }
    ~ScratchWorkspace() { QDir::setCurrent(previous_); }
    ScratchWorkspace(const ScratchWorkspace &) = delete;
    ScratchWorkspace &operator=(const ScratchWorkspace &) = delete;

    [[nodiscard]] QString path() const { return dir_.path(); }
    [[nodiscard]] QString filePath(const QString &name) const { return dir_.filePath(name); }

private:
    QString previous_;
    QTemporaryDir dir_;
};

// The same look as the program's, once per test program.
inline void setUpTestApplication()
{
    look::setUpApplication(*qApp);
}

// Finds a named control, failing the test when it is missing.
template <typename T> T *control(QWidget &window, const char *name)
{
    auto *widget = window.findChild<T *>(QString::fromLatin1(name));
    if (!widget)
        qWarning("no control named %s", name);
    return widget;
}
