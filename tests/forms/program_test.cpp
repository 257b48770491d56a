// The windows as single instances, the navigation between them and every way out.
#include "testprogram.h"

using Window = Program::Window;

namespace
{

const auto closeBox = [](QWidget &window) {
    QCloseEvent event;
    QApplication::sendEvent(&window, &event);
};

// The selection, the sheet and the dialog: each "unloaded", "hidden" or "shown".
QString windows(Program &p)
{
    const auto state = [&p](Window w, auto form) -> QString {
        return !p.isLoaded(w) ? "unloaded" : (p.*form)().isVisible() ? "shown" : "hidden";
    };
    return state(Window::Selection, &Program::selection) + ' ' +
           state(Window::Sheet, &Program::sheet) + ' ' +
           state(Window::SaveDialog, &Program::saveDialog);
}

} // namespace

class ProgramTest : public QObject
{
    Q_OBJECT

private slots:
    // Each window at the design's place where it fits on the screen, else moved only as far as
    // it must be to lie within the screen's available area, or to its top left where it is
    // larger than that (run again at scale 2, where none fits the offscreen screen).
    void windowsLieWithinTheScreen()
    {
        // Along one side: where the window's frame should begin.
        const auto within = [](int design, int size, int first, int length) {
            if (size > length || design < first)
                return first;
            return std::min(design, first + length - size);
        };
        TestProgram t;
        Program &p = t.program;
        const std::pair<QWidget *, QPoint> windows[] = {
            {&p.selection(), {142, 110}}, {&p.sheet(), {142, 110}}, {&p.saveDialog(), {251, 196}}};
        for (const auto &[window, design] : windows) {
            window->show();
            const QRect area = window->screen()->availableGeometry();
            const QRect frame = window->frameGeometry();
            QCOMPARE(frame.topLeft(),
                     QPoint(within(design.x(), frame.width(), area.left(), area.width()),
                            within(design.y(), frame.height(), area.top(), area.height())));
        }
    }

    void navigation()
    {
        TestProgram t;
        Program &p = t.program;
        p.unload(Window::Sheet); // not loaded: left alone, neither loaded nor unloaded
        p.start();
        QCOMPARE(windows(p), "shown unloaded unloaded");
        auto *list = child<QListWidget>(p.selection(), "List2");
        list->setCurrentRow(0);
        p.nextFromSelection();
        QCOMPARE(windows(p), "hidden shown unloaded");
        QCOMPARE(p.sheet().animation(), "COMANDO");
        p.backFromSheet(); // before the dialog ever showed: it is created, hidden
        QCOMPARE(windows(p), "shown hidden hidden");
        QCOMPARE(list->count(), 1); // hidden and shown, the selection was loaded once
        QCOMPARE(list->currentRow(), 0);
        p.nextFromSelection();
        p.showSaveDialog();
        QCOMPARE(windows(p), "hidden shown shown");
        p.hideSaveDialog();
        QCOMPARE(windows(p), "hidden shown hidden");

        // The dialog's close box unloads the dialog only; a later use loads it afresh.
        p.showSaveDialog();
        QPointer<Form> first = &p.saveDialog();
        first->setWindowTitle("changed");
        closeBox(*first);
        QCOMPARE(windows(p), "hidden shown unloaded");
        QVERIFY(first); // its close event might still be running: freed only by the event loop
        QTRY_VERIFY(first.isNull());
        QCOMPARE(p.saveDialog().windowTitle(), "Save Mission");
        QCOMPARE(t.ends, 0);
    }

    void everyWayOutEndsTheProgramOnce_data()
    {
        QTest::addColumn<int>("way");
        QTest::addColumn<bool>("onSheet");
        QTest::addColumn<bool>("dialogOpen");
        const char *const ways[] = {"Exit", "close", "unload"};
        for (int way = 0; way < 3; ++way)
            for (bool onSheet : {false, true})
                for (bool dialogOpen : {false, true})
                    QTest::addRow("%s on the %s%s", ways[way], onSheet ? "sheet" : "selection",
                                  dialogOpen ? ", dialog open" : "")
                        << way << onSheet << dialogOpen;
    }

    void everyWayOutEndsTheProgramOnce()
    {
        QFETCH(int, way);
        QFETCH(bool, onSheet);
        QFETCH(bool, dialogOpen);
        TestProgram t;
        Program &p = t.program;
        p.start();
        if (onSheet || dialogOpen)
            p.nextFromSelection();
        if (dialogOpen)
            p.showSaveDialog();
        if (!onSheet && dialogOpen) {
            p.backFromSheet(); // which hides the dialog: show it again beside the selection
            p.show(Window::SaveDialog);
        }
        QPointer<QWidget> forms[] = {&p.selection(),
                                     p.isLoaded(Window::Sheet) ? &p.sheet() : nullptr,
                                     p.isLoaded(Window::SaveDialog) ? &p.saveDialog() : nullptr};
        if (way == 0)
            QTest::mouseClick(child(*forms[onSheet], onSheet ? "Command3" : "Command2"),
                              Qt::LeftButton);
        else if (way == 1)
            closeBox(*forms[onSheet]);
        else
            p.unload(onSheet ? Window::Sheet : Window::Selection);

        QCOMPARE(t.ends, 1);
        QVERIFY(p.hasEnded());
        QCOMPARE(windows(p), "unloaded unloaded unloaded");
        for (auto &form : forms)
            QVERIFY(!form || !form->isVisible());
        // Nothing runs after the end, and ending again is not a second end.
        p.showSaveDialog();
        p.nextFromSelection();
        p.endProgram();
        QCOMPARE(t.ends, 1);
        QCOMPARE(windows(p), "unloaded unloaded unloaded");
        for (auto &form : forms)
            QTRY_VERIFY(form.isNull());
    }
};

QTEST_MAIN(ProgramTest)
#include "program_test.moc"
