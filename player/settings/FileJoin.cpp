#include "FileJoin.h"

#include "platform/DataDirectory.h"
#include "platform/FileAssociations.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>

const std::array<FileJoin::Row, 5> FileJoin::kRows = {{
    {1007, "MP3", ".mp3", "Orvoplayer.mp3", "mp3.ico"},
    {1008, "WMA", ".wma", "Orvoplayer.wma", "wma.ico"},
    {1010, "FLAC", ".flac", "Orvoplayer.flac", "flac.ico"},
    {1011, "APE", ".ape", "Orvoplayer.ape", "ape.ico"},
    {1012, "OGG", ".ogg", "Orvoplayer.ogg", "ogg.ico"},
}};

FileJoin::FileJoin() : SettingsPage(QStringLiteral("文件关联")) {}

QRect FileJoin::BoxRect(int index) { return QRect(24, 28 + index * kBoxPitch, 200, 22); }

void FileJoin::OnInitDialog(QWidget* page) {
    m_boxes.clear();
    auto* frame = new QGroupBox(page);
    frame->setGeometry(8, 6, 264, 336);
    for (size_t i = 0; i < kRows.size(); ++i) {
        auto* box = new QCheckBox(QString::fromLatin1(kRows[i].text), page);
        box->setObjectName(QString::number(kRows[i].id));
        box->setGeometry(BoxRect(int(i)));
        m_boxes.append(box);
    }
}

void FileJoin::OnOK() {
    const QString program = QCoreApplication::applicationFilePath();
    // The delivered icons: beside the program, or in the installed data folder.
    const QString folder = DataDirectory::resourceDirectory();
    for (qsizetype i = 0; i < m_boxes.size(); ++i) {
        if (!m_boxes[i] || !m_boxes[i]->isChecked()) continue;
        const Row& row = kRows[size_t(i)];
        if (!FileAssociations::registerType(QLatin1String(row.extension), program,
                                            QLatin1String(row.progId),
                                            folder + QLatin1String(row.icon)))
            qWarning("file association %s could not be written", row.progId);
    }
    // Once, also when nothing was checked, as the desktop may still hold an old state.
    FileAssociations::refreshDesktopDatabase(QCoreApplication::instance());
}
