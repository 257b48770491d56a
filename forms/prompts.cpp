#include "prompts.h"

#include <QMessageBox>
#include <QPushButton>

bool confirmStandInSave(QWidget *parent)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Tobrin's Mustrel"),
                    QStringLiteral("The game will not play this mission."), QMessageBox::NoButton,
                    parent);
    // Where to find the importer, as a player of this platform meets it.
#ifdef Q_OS_WIN
    const QString how =
        QStringLiteral("Drag your mission file (Mapa0001.mis from your copy of the game) onto "
                       "tobrins-mustrel-import.exe, in the editor's folder, and save again.");
#else
    const QString how = QStringLiteral(
        "Run tobrins-mustrel-import with your mission file (Mapa0001.mis from your copy of the "
        "game), in a terminal:\n\n    tobrins-mustrel-import /path/to/Mapa0001.mis\n\n"
        "and save again.");
#endif
    box.setInformativeText(
        QStringLiteral("The editor still holds the stand-in mission it comes with, which is not "
                       "the game's own. To make a mission the game plays, import your own copy "
                       "of it first. ") +
        how);
    QPushButton *anyway = box.addButton(QStringLiteral("&Save anyway"), QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(QMessageBox::Cancel));
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    return box.clickedButton() == anyway;
}

bool confirmReplace(QWidget *parent, const QString &fileName)
{
    QMessageBox box(
        QMessageBox::Question, parent ? parent->windowTitle() : QString(),
        QStringLiteral("\"%1\" already exists.\nDo you want to replace it?").arg(fileName),
        QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec() == QMessageBox::Yes;
}
