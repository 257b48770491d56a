#pragma once

#include <QListView>
#include <QString>

#include <filesystem>

class DirModel;

// The file-system path that a folder or file name typed or shown in the dialog stands for, by the
// file layer's one rule for path text (pathtext.h).
[[nodiscard]] std::filesystem::path toPath(const QString &name);
// The readable form of a path, with this platform's separators; bytes that are no character of
// the file-name encoding show as a replacement character.
[[nodiscard]] QString shownPath(const std::filesystem::path &path);

// A folder list: the chain of folders from the root down to the opened folder, each one step
// further in, then the opened folder's subfolders one step further still, sorted by name
// without regard to case. Double-clicking a folder, or pressing Enter on it, opens it; opening
// a folder of the chain goes up. The folder that counts is the opened one, not one merely
// highlighted. Hidden folders are not shown. Each row keeps its folder's exact path, so a folder
// whose name Qt cannot represent is shown as well as it can be and still opens; the list never
// names one folder for another. The list never changes the process's current folder.
class DirList : public QListView
{
    Q_OBJECT

public:
    explicit DirList(QWidget *parent = nullptr);

    // The opened folder, absolute: exactly, and readably with '/' separators. Empty while no
    // folder has been opened.
    [[nodiscard]] const std::filesystem::path &folder() const;
    [[nodiscard]] QString path() const;

    // Opens the folder. A folder that does not exist or cannot be read leaves the list as it
    // was: the result is then false and `reason` says why.
    bool setFolder(const std::filesystem::path &folder, QString *reason = nullptr);
    bool setPath(const QString &path, QString *reason = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The user opens a row; a folder that cannot be opened is reported and the list stays.
    void openRow(int row);

    DirModel *model_;
};
