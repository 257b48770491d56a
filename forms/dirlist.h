#pragma once

#include <QListView>
#include <QString>
#include <QStringList>

class DirModel;

// A folder list: the chain of folders from the root down to the opened folder, each one step
// further in, then the opened folder's subfolders one step further still, sorted by name
// without regard to case. Double-clicking a folder, or pressing Enter on it, opens it; opening
// a folder of the chain goes up. The folder that counts is the opened one, not one merely
// highlighted. Hidden folders are not shown. The list never changes the process's current
// folder.
class DirList : public QListView
{
    Q_OBJECT

public:
    explicit DirList(QWidget *parent = nullptr);

    // The opened folder, absolute, with '/' separators.
    [[nodiscard]] QString path() const;

    // Opens the folder. A folder that does not exist or cannot be read leaves the list as it
    // was: the result is then false and `reason` says why.
    bool setPath(const QString &path, QString *reason = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The user opens a row; a folder that cannot be opened is reported and the list stays.
    void openRow(int row);

    DirModel *model_;
};
