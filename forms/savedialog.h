#pragma once

#include "form.h"

#include <QStringList>

#include <filesystem>
#include <functional>
#include <vector>

class DirList;
class QComboBox;
class QLineEdit;

// The "Save Mission" dialog: where the finished mission file goes and under which name.
class SaveDialog : public Form
{
    Q_OBJECT

public:
    // The drives to offer, each a root folder; QDir::drives() unless told otherwise.
    using DriveSource = std::function<QStringList()>;

    explicit SaveDialog(Shell &shell);

    void onLoad() override;
    [[nodiscard]] bool isDialog() const override { return true; }

    // Offers the drives of `source` from now on, starting at the drive of the opened folder.
    void setDriveSource(DriveSource source);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fillDrives();
    void selectDrive(int index);
    [[nodiscard]] int driveOf(const QString &folder) const;

    // Whether the target is a mission file this dialog has written in this run.
    [[nodiscard]] bool wroteEarlier(const std::filesystem::path &target) const;

    void onDriveChanged();
    void onOk();
    void onCancel();

    DriveSource driveSource_;
    QComboBox *drives_;
    DirList *folders_;
    QLineEdit *name_;
    int drive_ = -1;                             // the drive the list is on
    std::vector<std::filesystem::path> written_; // the mission files saved in this run
};
