#pragma once
// The "文件关联" page: five boxes, all unchecked at every opening; OK makes the player the
// program for each checked type (a desktop entry per program identifier, the default for the
// type's MIME types) and then asks the desktop to refresh its database. It never reads nor
// removes an association. Thread: UI thread only.

#include "SettingsPage.h"

#include <QList>
#include <QPointer>
#include <QRect>

#include <array>

class QCheckBox;

class FileJoin : public SettingsPage {
public:
    struct Row {
        int id;            // the box's number, its object name
        const char* text;  // the box's text
        const char* extension;
        const char* progId;  // names the desktop entry
        const char* icon;    // relative to the program's folder
    };
    static const std::array<Row, 5> kRows;

    static constexpr int kBoxPitch = 32;
    // Where box index (table order) lies in the page.
    static QRect BoxRect(int index);

    FileJoin();

protected:
    void OnInitDialog(QWidget* page) override;
    void OnOK() override;

private:
    QList<QPointer<QCheckBox>> m_boxes;
};
