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
class Form2 : public Form
{
    Q_OBJECT

public:
    // The drives to offer, each a root folder; QDir::drives() unless told otherwise.
    using DriveSource = std::function<QStringList()>;

    explicit Form2(Shell &shell);

    void Form_Load() override;
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

    void Drive1_Change();
    void Command1_Click();
    void Command2_Click();

    DriveSource drives_;
    QComboBox *Drive1_;
    DirList *Dir1_;
    QLineEdit *Text1_;
    int drive_ = -1;                             // the drive the list is on
    std::vector<std::filesystem::path> written_; // the mission files saved in this run
};
